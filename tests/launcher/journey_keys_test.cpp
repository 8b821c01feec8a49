// The installation directory replaced the way a macro tool or a remote
// desktop types it, 30 ms a key: each time shift+Home selects what the field
// holds and BackSpace deletes it, so the directory typed last is the one
// installed into.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/journey.h"
#include "support/launcher_session.h"
#include "support/served_release.h"
#include "support/temp_dir.h"
#include "support/xvfb.h"

namespace fs = std::filesystem;

TEST(KeysJourney, ShiftHomeThenBackSpaceReplacesTheDirectoryAtAMacroToolsPace) {
  Xvfb x;
  ASSERT_TRUE(x.running()) << "Xvfb did not start";
  ServedRelease server;
  ASSERT_EQ(server.Publish("v1", SmallGame("1.0")), "");
  ASSERT_EQ(server.Serve("v1"), "");
  ASSERT_EQ(server.Start(), "");
  TempDir home, package;
  ASSERT_EQ(server.Package("v1", package / "pkg"), "");
  LauncherSession s(x);
  ASSERT_TRUE(s.Start(package / "pkg/quorvel.exe", {}, package / "pkg", JourneyEnv(home.path(), server.base()),
                      home / "trace"));
  ASSERT_NE(s.WaitFor("present", 60000).raw, "") << s.Describe();
  ASSERT_TRUE(s.Click("Install", 60000)) << s.Describe();
  ASSERT_TRUE(s.Click("I Agree", 60000)) << s.Describe();
  ASSERT_NE(s.WaitFor("screen InstallWindow enabled", 60000).raw, "") << s.Describe();
  ASSERT_TRUE(s.ClickWhere([](const TracedWidget& w) { return w.kind == "field"; })) << s.Describe();
  const std::string chosen = home / "Games/Quorvel";
  for (const std::string& typed : {home / "first", home / "second", chosen}) {
    s.Key("End shift+Home BackSpace", 30);
    s.Type(typed, 30);
  }
  ASSERT_TRUE(s.Click("Next", 60000)) << s.Describe();
  ASSERT_NE(s.WaitFor("Directory does not exist", 60000).raw, "") << "the chosen directory is new\n" << s.Describe();
  ASSERT_TRUE(s.Click("Yes", 60000)) << s.Describe();
  ASSERT_NE(s.WaitFor(" launch ", 120000).raw, "") << s.Describe();
  EXPECT_TRUE(fs::exists(chosen + "/quorvel1.exe")) << "installed elsewhere:\n" << s.Describe();
}
