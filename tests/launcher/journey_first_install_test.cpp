// The first installation as a player makes it: the launcher started from an
// installation package under a real X server, nginx serving the release it
// was made from, every step clicked at the rectangles the trace gives.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/files.h"
#include "support/journey.h"
#include "support/launcher_session.h"
#include "support/served_release.h"
#include "support/temp_dir.h"
#include "support/xvfb.h"

namespace fs = std::filesystem;

TEST(FirstInstallJourney, PackageFilesAreCopiedTheRestDownloadedThenTheGameStarts) {
  Xvfb x;
  ASSERT_TRUE(x.running()) << "Xvfb did not start";
  ServedRelease server;
  GameFiles game = SmallGame("1.0");
  ASSERT_EQ(server.Publish("v1", game), "");
  ASSERT_EQ(server.Serve("v1"), "");
  ASSERT_EQ(server.Start(), "");
  TempDir home, package;
  ASSERT_EQ(server.Package("v1", package / "pkg"), "");
  // One file is missing from the package: it must be downloaded.
  fs::remove(package / "pkg/data/file3.dat");

  std::vector<std::string> env = LauncherHomeEnv(home.path());
  const std::vector<std::string> servers = LauncherServerEnv(server.base());
  env.insert(env.end(), servers.begin(), servers.end());
  env.push_back("QUORVEL_GAME_MARKER=" + home / "marker");

  LauncherSession session(x);
  ASSERT_TRUE(session.Start(package / "pkg/quorvel.exe", {}, package / "pkg", env, home / "trace"));
  ASSERT_NE(session.WaitFor("present").raw, "") << session.Describe();
  ASSERT_TRUE(session.Click("Install")) << session.Describe();
  ASSERT_TRUE(session.Click("I Agree")) << session.Describe();
  ASSERT_NE(session.WaitFor("screen InstallWindow enabled").raw, "") << session.Describe();
  ASSERT_TRUE(session.Click("Next")) << session.Describe();
  ASSERT_NE(session.WaitFor("Directory does not exist").raw, "") << session.Describe();
  ASSERT_TRUE(session.Click("Yes")) << session.Describe();
  ASSERT_NE(session.WaitFor("state 11 StateLaunch", 60000).raw, "") << session.Describe();
  const TraceLine launch = session.WaitFor(" launch ");
  ASSERT_NE(launch.raw, "") << session.Describe();
  ProcessResult end = session.Wait(20000);
  EXPECT_FALSE(end.timedOut) << session.Describe();

  const std::string dir = home / "share/Tellurant/Quorvel Online/";
  for (const auto& [name, contents] : game) EXPECT_EQ(ReadFileText(dir + name), contents) << name;
  EXPECT_EQ(FileMd5Hex(dir + "quorvel1.exe"), FileMd5Hex(QUORVEL_DEMO_GAME));
  EXPECT_TRUE(session.Seen("report 0 \"data/file3.dat\"")) << "the file the package lacks is downloaded";
  EXPECT_FALSE(session.Seen("report 0 \"data/file4.dat\"")) << "a file the package has is copied, not fetched";
  // The game copy ran from the installation directory.
  ASSERT_EQ(launch.fields.size(), 1u);
  const std::string copy = launch.fields[0];
  EXPECT_EQ(fs::path(copy).parent_path().string() + "/", dir);
  const std::string marker = WaitForFileContaining(home / "marker", "end\n");
  EXPECT_NE(marker.find("cwd " + fs::canonical(dir).string() + "\n"), std::string::npos) << marker;
  EXPECT_NE(ReadFileText(home / "registry.txt").find("InstallationDirectory"), std::string::npos);
}
