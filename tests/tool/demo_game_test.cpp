// demo-game, the stand-in for quorvel1.exe: the marker record the launcher's
// tests read, and the window with the release's version.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/files.h"
#include "support/process.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

TEST(DemoGame, MarkerRecordsArgumentsWorkingDirectoryAndOwnPathAndExitsAtOnce) {
  TempDir tmp;
  const std::string exe = tmp / "quorvel1.exe";
  fs::copy_file(QUORVEL_DEMO_GAME, exe);
  fs::create_directories(tmp / "work");
  for (int run = 0; run < 2; ++run) {
    ProcessResult r =
        RunProcess({exe, "-x", "two words"}, {"QUORVEL_GAME_MARKER=" + (tmp / "marker")}, tmp / "work", 10000);
    ASSERT_EQ(r.exitCode, 0) << r.err;
  }
  const std::string record = "start\narg0 " + exe + "\narg -x\narg two words\ncwd " +
                             fs::canonical(tmp / "work").string() + "\nexe " + fs::canonical(exe).string() + "\nend\n";
  EXPECT_EQ(ReadFileText(tmp / "marker"), record + record);  // appended, not replaced
}

TEST(DemoGame, ShowsTheVersionFromBesideItselfAndClosesAfterItsSeconds) {
  TempDir tmp;
  const std::string exe = tmp / "quorvel1.exe";
  fs::copy_file(QUORVEL_DEMO_GAME, exe);
  WriteFileText(tmp / "version.txt", "2.0\n");
  ProcessResult r = RunProcess({exe, "--seconds", "0.3"}, {"SDL_VIDEODRIVER=dummy"}, tmp.path(), 20000);
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_FALSE(r.timedOut);
  EXPECT_EQ(r.out, "demo-game: Quorvel Online version 2.0\n");
}
