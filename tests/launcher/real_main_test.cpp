// The launcher's start-up as a program: where it finds its skin, and one
// launcher at a time.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "launcher_scratch.h"
#include "support/process.h"

namespace fs = std::filesystem;

namespace {

const std::vector<std::string> kHeadless{"SDL_VIDEODRIVER=dummy", "QUORVEL_MESSAGEBOX=stderr"};

std::vector<std::string> Env(const TempDir& dir, bool withSkin) {
  std::vector<std::string> env = ScratchLauncherEnv(dir);
  if (!withSkin) fs::remove_all(dir / "zindimgs");
  env.insert(env.end(), kHeadless.begin(), kHeadless.end());
  return env;
}

bool WaitForFile(const std::string& path, int ms) {
  for (int i = 0; i < ms / 10; ++i) {
    if (fs::exists(path) && fs::file_size(path) > 0) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

}  // namespace

TEST(LauncherStartup, WithoutASkinAnywhereItStopsWithTheMessage) {
  TempDir dir;
  ProcessResult r = RunProcess({QUORVEL_EXE}, Env(dir, false), dir.path(), 20000);
  EXPECT_NE(r.err.find("could not find a zindimgs directory"), std::string::npos) << r.err;
  EXPECT_FALSE(r.timedOut);
  EXPECT_EQ(r.exitCode, 1);
}

// A package's launcher started from a terminal elsewhere finds the skin
// beside itself; a second one started meanwhile is refused with the message.
TEST(LauncherStartup, TheSkinBesideTheProgramServesAndASecondLauncherIsRefused) {
  TempDir dir;
  std::vector<std::string> env = Env(dir, true);
  fs::create_directories(dir / "package");
  fs::rename(dir / "zindimgs", dir / "package/zindimgs");
  fs::copy_file(QUORVEL_EXE, dir / "package/quorvel.exe");
  fs::create_directories(dir / "elsewhere");
  env.push_back("QUORVEL_UI_TRACE=" + dir / "trace");
  ChildProcess first = StartProcess({dir / "package/quorvel.exe"}, env, dir / "elsewhere", dir / "out", dir / "err");
  ASSERT_TRUE(first.started());
  ASSERT_TRUE(WaitForFile(dir / "trace", 20000)) << ReadFileText(dir / "err");

  ProcessResult second = RunProcess({dir / "package/quorvel.exe"}, env, dir / "elsewhere", 20000);
  EXPECT_NE(second.err.find("Quorvel Online is currently running, please close Quorvel Online before starting the "
                            "update process."),
            std::string::npos)
      << second.err;

  first.Signal(SIGTERM);
  ProcessResult r = first.Wait(10000);
  EXPECT_FALSE(r.timedOut);
  EXPECT_EQ(ReadFileText(dir / "err"), "");
  EXPECT_NE(ReadFileText(dir / "trace").find(" end 0"), std::string::npos) << ReadFileText(dir / "trace");
}
