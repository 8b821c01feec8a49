// The real program in a real X server: the window opens at its fixed size
// with its title, and a close request from the window manager ends it cleanly.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "launcher_scratch.h"
#include "support/files.h"
#include "support/process.h"
#include "support/temp_dir.h"
#include "support/xvfb.h"

TEST(WindowUnderX, OpensAtTheFixedSizeAndClosesCleanly) {
  Xvfb x;
  ASSERT_TRUE(x.running()) << "Xvfb did not start";
  TempDir dir;
  std::vector<std::string> env = ScratchLauncherEnv(dir);
  env.insert(env.end(), {x.displayEnv(), "SDL_VIDEODRIVER=x11", "QUORVEL_EXIT_TRACE=" + dir / "trace"});
  ChildProcess program = StartProcess({QUORVEL_EXE}, env, dir.path(), dir / "out", dir / "err");
  ASSERT_TRUE(program.started());
  // A loaded machine can take a while to start the server and the program.
  unsigned long window = x.FindWindow("Quorvel Online Install/Update Agent", 30000);
  if (window == 0) {
    std::string screen = x.Describe();
    const bool running = program.Running();
    FAIL() << screen << "\nprogram " << (running ? "still running" : "had ended") << " (exit "
           << program.result().exitCode << ", signal " << program.result().signal
           << ")\nstderr: " << ReadFileText(dir / "err") << "\nstdout: " << ReadFileText(dir / "out")
           << "\ngame.log: " << ReadFileText(dir / "game.log");
  }

  std::string geometry = x.Xdotool("getwindowgeometry " + std::to_string(window));
  EXPECT_NE(geometry.find("Geometry: 720x505"), std::string::npos) << geometry;

  ASSERT_TRUE(x.CloseWindow(window));
  ProcessResult r = program.Wait(10000);
  EXPECT_FALSE(r.timedOut);
  EXPECT_EQ(r.signal, 0);
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(ReadFileText(dir / "err"), "") << "closing shows no message box";
  std::istringstream trace(ReadFileText(dir / "trace"));
  std::string word;
  int index = 0, expected = 0;
  while (trace >> word >> index) EXPECT_EQ(index, expected++) << "each exit function once, in order";
  EXPECT_GE(expected, 3) << "the program registers exit functions (clock, catalogue, GUI)";
}
