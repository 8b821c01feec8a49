// Start-up and shutdown of the real program, headless.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "launcher_scratch.h"
#include "support/files.h"
#include "support/process.h"
#include "support/temp_dir.h"

namespace {
// True once the process catches SIGTERM, which the platform layer sets up when
// it brings up video: from then on a SIGTERM is a request to close the window.
bool CatchesSigterm(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("SigCgt:", 0) == 0) {
      unsigned long long mask = std::stoull(line.substr(7), nullptr, 16);
      return (mask >> (SIGTERM - 1)) & 1;
    }
  }
  return false;
}

bool WaitUntilCatchesSigterm(pid_t pid) {
  for (int i = 0; i < 500; ++i) {
    if (CatchesSigterm(pid)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

std::vector<std::string> Args(int n) {
  std::vector<std::string> argv{QUORVEL_EXE};
  for (int i = 1; i <= n; ++i) argv.push_back("a" + std::to_string(i));
  return argv;
}

const std::vector<std::string> kHeadless{"SDL_VIDEODRIVER=dummy", "QUORVEL_MESSAGEBOX=stderr"};
}  // namespace

TEST(Startup, TwentyOneArgumentsAreRefusedWithAMessageAndResultOne) {
  TempDir dir;
  std::vector<std::string> env = kHeadless;
  env.push_back("QUORVEL_EXIT_TRACE=" + dir / "trace");
  ProcessResult r = RunProcess(Args(21), env, dir.path(), 10000);
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("too many arguments on the command line"), std::string::npos) << r.err;
  EXPECT_EQ(ReadFileText(dir / "trace"), "") << "nothing was set up, so no exit function runs";
}

TEST(Startup, ClosingTheWindowEndsCleanlyRunningEachExitFunctionOnce) {
  for (int argCount : {0, 20}) {
    TempDir dir;
    std::vector<std::string> env = ScratchLauncherEnv(dir);
    env.insert(env.end(), kHeadless.begin(), kHeadless.end());
    env.push_back("QUORVEL_EXIT_TRACE=" + dir / "trace");
    ChildProcess program = StartProcess(Args(argCount), env, dir.path(), dir / "out", dir / "err");
    ASSERT_TRUE(program.started());
    ASSERT_TRUE(WaitUntilCatchesSigterm(program.pid())) << "the program never brought up its window";
    program.Signal(SIGTERM);
    ProcessResult r = program.Wait(10000);
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.signal, 0);
    EXPECT_EQ(r.exitCode, 0) << "a normal end";
    EXPECT_EQ(ReadFileText(dir / "err"), "") << "a close shows no message box";

    // Each exit function ran once, in registration order.
    std::istringstream trace(ReadFileText(dir / "trace"));
    std::string word;
    int index = 0, expected = 0;
    while (trace >> word >> index) {
      EXPECT_EQ(word, "exit");
      EXPECT_EQ(index, expected++);
    }
    EXPECT_GE(expected, 3) << "the program registers exit functions (clock, catalogue, GUI)";
  }
}
