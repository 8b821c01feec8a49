// Refusing the Terms of Service: "I Disagree" shows the warning, and after it
// the Terms are still up, so the player can change their mind; nothing is
// installed or started meanwhile.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/files.h"
#include "support/launcher_session.h"
#include "support/served_release.h"
#include "support/temp_dir.h"
#include "support/xvfb.h"

namespace fs = std::filesystem;

namespace {
constexpr int kWarningClose = 131;
}

TEST(TermsRefusedJourney, IDisagreeWarnsAndLeavesTheTermsUpUntilThePlayerAgrees) {
  Xvfb x;
  ASSERT_TRUE(x.running()) << "Xvfb did not start";
  ServedRelease server;
  ASSERT_EQ(server.Publish("v1", SmallGame("1.0"), {}, "Play nicely.\nNo cheating.\n"), "");
  ASSERT_EQ(server.Serve("v1"), "");
  ASSERT_EQ(server.Start(), "");
  TempDir home, package;
  ASSERT_EQ(server.Package("v1", package / "pkg"), "");

  LauncherSession session(x);
  ASSERT_TRUE(session.Start(package / "pkg/quorvel.exe", {}, package / "pkg", JourneyEnv(home.path(), server.base()),
                            home / "trace"));
  ASSERT_TRUE(session.Click("Install")) << session.Describe();
  ASSERT_NE(session.WaitFor("screen TOSWindow enabled", 60000).raw, "") << session.Describe();
  ASSERT_TRUE(session.Click("I Disagree")) << session.Describe();
  const TraceLine warning = session.WaitFor("dialog \"Message Window\"");
  ASSERT_NE(warning.raw, "") << session.Describe();
  EXPECT_NE(warning.raw.find("You must agree to these terms to continue."), std::string::npos) << warning.raw;
  ASSERT_TRUE(session.ClickMessage(kWarningClose)) << session.Describe();
  ASSERT_NE(session.WaitFor("closed 131").raw, "") << session.Describe();
  EXPECT_TRUE(session.Running()) << "refusing is not the end";
  EXPECT_FALSE(session.Seen("screen InstallWindow enabled")) << "the installation does not go on";

  // Still on the Terms: a second refusal warns again, then agreeing goes on.
  ASSERT_TRUE(session.Click("I Disagree")) << session.Describe();
  ASSERT_NE(session.WaitFor("You must agree to these terms to continue.").raw, "") << session.Describe();
  ASSERT_TRUE(session.ClickMessage(kWarningClose)) << session.Describe();
  ASSERT_NE(session.WaitFor("closed 131").raw, "") << session.Describe();
  ASSERT_TRUE(session.Click("I Agree")) << session.Describe();
  ASSERT_NE(session.WaitFor("screen InstallWindow enabled").raw, "") << session.Describe();
  EXPECT_FALSE(fs::exists(DefaultInstallDir(home.path()))) << "nothing is installed before Next";
  EXPECT_EQ(ReadFileText(home / "registry.txt").find("InstallationDirectory"), std::string::npos);
}
