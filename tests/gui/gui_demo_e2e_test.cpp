// The GUI demo in a real X server, driven with xdotool: the platform's event
// translation, the window-message handler and the widgets end to end. The
// demo reports every step on standard output.
#include <gtest/gtest.h>

#include <chrono>
#include <sstream>
#include <string>
#include <thread>

#include "support/files.h"
#include "support/process.h"
#include "support/temp_dir.h"
#include "support/xvfb.h"

namespace {

struct Rect {
  int x = 0, y = 0, w = 0, h = 0;
};

class DemoSession {
 public:
  DemoSession(Xvfb& x, TempDir& dir) : x_(x), dir_(dir) {
    // TMPDIR: the demo's scratch settings folder goes into the test's own.
    process_ = StartProcess(
        {QUORVEL_TOOL, "gui-demo", std::string(QUORVEL_SOURCE_DIR) + "/assets"},
        {x.displayEnv(), "SDL_VIDEODRIVER=x11", "QUORVEL_SCREENSHOT=" + dir / "shot.png", "TMPDIR=" + dir.path()},
        dir.path(), dir / "out", dir / "err");
  }
  pid_t pid() const { return process_.pid(); }
  std::string Output() const { return ReadFileText(dir_ / "out"); }

  // Waits until a line starting with `prefix` has been printed after the
  // `skip`-th such line; returns it ("" on time-out).
  std::string WaitLine(const std::string& prefix, int timeoutMs = 10000, int skip = 0) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < deadline) {
      std::istringstream in(Output());
      std::string line;
      int seen = 0;
      while (std::getline(in, line))
        if (line.compare(0, prefix.size(), prefix) == 0 && seen++ == skip) return line;
      std::this_thread::sleep_for(std::chrono::milliseconds(30));
    }
    return "";
  }
  Rect Widget(const std::string& name) {
    std::istringstream in(WaitLine("widget " + name + " "));
    std::string word;
    Rect r;
    in >> word >> word >> r.x >> r.y >> r.w >> r.h;
    return r;
  }
  void ClickAt(int x, int y) {
    x_.Xdotool("mousemove --window " + std::to_string(window) + " " + std::to_string(x) + " " + std::to_string(y));
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    x_.Xdotool("click 1");
  }
  void ClickIn(const Rect& r) { ClickAt(r.x + r.w / 2, r.y + r.h / 2); }
  void Keys(const std::string& args) { x_.Xdotool(args); }
  ProcessResult Finish() { return process_.Wait(10000); }
  unsigned long window = 0;

 private:
  Xvfb& x_;
  TempDir& dir_;
  ChildProcess process_;
};

TEST(GuiDemoUnderX, ClickTypePickAnswerAndClose) {
  Xvfb x;
  ASSERT_TRUE(x.running()) << "Xvfb did not start";
  TempDir dir;
  DemoSession demo(x, dir);
  ASSERT_GT(demo.pid(), 0);
  // A loaded machine can take a while to start the server and the program.
  demo.window = x.FindWindow("Quorvel GUI Demo", 30000);
  ASSERT_NE(demo.window, 0u) << x.Describe() << "\n" << ReadFileText(dir / "err") << demo.Output();
  ASSERT_NE(demo.WaitLine("ready"), "") << ReadFileText(dir / "err");
  x.Xdotool("windowfocus --sync " + std::to_string(demo.window));

  // A button: two clicks flip its state.
  Rect button = demo.Widget("button");
  demo.ClickIn(button);
  EXPECT_EQ(demo.WaitLine("button clicked"), "button clicked 1");
  demo.ClickIn(button);
  EXPECT_EQ(demo.WaitLine("button clicked", 10000, 1), "button clicked 0");

  // The entry field: typed characters, Backspace and Enter.
  demo.ClickIn(demo.Widget("entry"));
  demo.Keys("type --delay 40 hellx");
  demo.Keys("key BackSpace");
  demo.Keys("type --delay 40 o");
  demo.Keys("key Return");
  EXPECT_EQ(demo.WaitLine("entered"), "entered hello");

  // The drop-down box: open it and pick the third item.
  demo.ClickIn(demo.Widget("dropdown"));
  std::string open = demo.WaitLine("list open");
  ASSERT_NE(open, "") << demo.Output();
  std::istringstream in(open);
  std::string w1, w2;
  int lx, ly, lw, itemH, strip;
  in >> w1 >> w2 >> lx >> ly >> lw >> itemH >> strip;
  demo.ClickAt(lx + 10, ly + 2 + strip + itemH * 2 + itemH / 2);
  EXPECT_EQ(demo.WaitLine("picked"), "picked german 3");

  // A dialog: a click outside it does nothing, its No button answers.
  demo.ClickIn(demo.Widget("dialog"));
  ASSERT_NE(demo.WaitLine("dialog open"), "");
  demo.ClickIn(button);
  Rect no = demo.Widget("dialog-button-1");
  demo.ClickIn(no);
  EXPECT_EQ(demo.WaitLine("dialog result"), "dialog result no");
  EXPECT_EQ(demo.WaitLine("button clicked", 300, 2), "") << "the click behind the dialog did nothing";

  // A full present wrote the screenshot.
  EXPECT_FALSE(ReadFileText(dir / "shot.png").empty());

  ASSERT_TRUE(x.CloseWindow(demo.window));
  ProcessResult r = demo.Finish();
  EXPECT_FALSE(r.timedOut);
  EXPECT_EQ(r.exitCode, 0) << ReadFileText(dir / "err");
  EXPECT_NE(demo.WaitLine("closed", 1000), "");
}

}  // namespace
