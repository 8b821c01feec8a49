// The GUI's message pump on a real (headless) program window: window timers
// become ticks and animation passes, WakeUpGUIMessageHandler ends a wait,
// and the catch-up rule keeps ticks coming while the queue is busy.
#include <optional>
#include <thread>

#include "foundation/program_clock.h"
#include "foundation/program_globals.h"
#include "foundation/runtime.h"
#include "gui/gui_message_handler.h"
#include "gui_fixture.h"
#include "platform/window.h"
#include "platform/window_focus.h"
#include "support/manual_clock.h"

namespace {

long PumpProc(HWND w, unsigned message, unsigned long wParam, long lParam) {
  if (w == hMainWindow) GUIMessageHandler(message, wParam, lParam);
  return DefWindowProcA(w, message, wParam, lParam);
}

class PumpTest : public GUITest {
 protected:
  void SetUp() override {
    GUITest::SetUp();
    ASSERT_TRUE(PlatInitVideo());
    ASSERT_TRUE(RegisterWindowClass("GUI_PUMP_TEST", PumpProc, CS_DBLCLKS));
    clock.emplace(1000000000ull);
    SetTimerRate(kTimerRate64Hz);
    window = CreateWindowExA(0, "GUI_PUMP_TEST", "pump", WS_VISIBLE, 0, 0, 728, 529);
    ASSERT_NE(window, nullptr);
    saved = hMainWindow;
    SetupGUIObjEventHandler(window);
    GUIDoEvents(1);  // start-up messages
    root = new Probe(0, 0, 640, 480);
    AddTopLevelObject(root);
    LastTimerCallTime = GetTimerCount();
  }
  void TearDown() override {
    KillAllGUIObjects();
    if (IsWindow(window)) DestroyWindow(window);
    hMainWindow = saved;
    clock.reset();
    GUITest::TearDown();
  }
  HWND window = nullptr;
  HWND saved = nullptr;
  std::optional<ScopedManualClock> clock;
  Probe* root = nullptr;
};

TEST_F(PumpTest, TimerThreeTicksEveryHalfSecond) {
  GUIDoEvents(1);
  EXPECT_EQ(root->ticks, 0);
  clock->Advance(510000000ull);
  GUIDoEvents(1);
  EXPECT_EQ(root->ticks, 1);
  EXPECT_EQ(MouseIdleCount, 1);
  clock->Advance(510000000ull);
  GUIDoEvents(1);
  EXPECT_EQ(root->ticks, 2);
}

TEST_F(PumpTest, CatchUpTickAfterMoreThanASecondOfBusyQueue) {
  TimerisHalted = 0;
  // No timer message, but a mouse move more than a second after the last tick.
  KillTimer(window, 3);
  clock->Advance(1100000000ull);
  PostMessageA(window, WM_MOUSEMOVE, 0, 0);
  GUIDoEvents(1);
  EXPECT_EQ(root->ticks, 1);
  PostMessageA(window, WM_MOUSEMOVE, 0, 0);
  GUIDoEvents(1);
  EXPECT_EQ(root->ticks, 1);  // the stamp was renewed
  TimerisHalted = 1;
  clock->Advance(1100000000ull);
  PostMessageA(window, WM_MOUSEMOVE, 0, 0);
  GUIDoEvents(1);
  EXPECT_EQ(root->ticks, 1);
}

TEST_F(PumpTest, AnimationRequestsSetTimerTwo) {
  class Anim : public GUIObject {
   public:
    using GUIObject::GUIObject;
    int passes = 0;
    void Animate() override {
      if (++passes < 3) CallAnimateAgainIn(4);  // 4/64 s = 62 ms
    }
  };
  auto* anim = new Anim(0, 0, 1, 1);
  root->AddChild(anim);
  GUIAnimateWindows();
  EXPECT_EQ(anim->passes, 1);
  EXPECT_EQ(AnimTimerSet, 1);
  clock->Advance(70000000ull);
  GUIDoEvents(1);
  EXPECT_EQ(anim->passes, 2);
  clock->Advance(70000000ull);
  GUIDoEvents(1);
  EXPECT_EQ(anim->passes, 3);
  EXPECT_EQ(AnimTimerSet, 0);
  clock->Advance(70000000ull);
  GUIDoEvents(1);
  EXPECT_EQ(anim->passes, 3);
}

TEST_F(PumpTest, ForbiddenResizePinsTheFrameToTheFixedSize) {
  int w = FixedWidth, h = FixedHeight;
  FixedWidth = 728;
  FixedHeight = 532;
  DontAllowWindowResize = 1;
  SetupGUIObjEventHandler(window);
  int minW = 0, minH = 0, maxW = 0, maxH = 0;
  bool resizable = true;
  ASSERT_TRUE(PlatGetWindowSizeLimits(window, &minW, &minH, &maxW, &maxH, &resizable));
  EXPECT_FALSE(resizable);
  EXPECT_EQ(minW, 720);
  EXPECT_EQ(maxW, 720);
  EXPECT_EQ(minH, 508);
  EXPECT_EQ(maxH, 508);
  DontAllowWindowResize = 0;
  FixedWidth = w;
  FixedHeight = h;
}

TEST_F(PumpTest, WaitingPumpReturnsOnWakeUpAndWhenDrawingIsDue) {
  KillTimer(window, 3);
  std::thread waker([] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    WakeUpGUIMessageHandler();
  });
  GUIDoEvents(0);  // sleeps until the posted WM_USER arrives
  waker.join();
  Need_Redraw = 1;
  GUIDoEvents(0);  // returns at once: a redraw is due
  Need_Redraw = 0;
  SUCCEED();
}

}  // namespace
