// CheckRedraw on a real (headless) program window under the manual clock:
// the 4-tick spacing of unforced passes, forced passes, and the socket
// source that wakes the pump between passes.
#include "gui/frame_pump.h"

#include <unistd.h>

#include <chrono>
#include <cstring>
#include <optional>

#include "foundation/program_clock.h"
#include "foundation/program_globals.h"
#include "foundation/runtime.h"
#include "gui/gui_message_handler.h"
#include "gui_fixture.h"
#include "platform/sockets.h"
#include "platform/window.h"
#include "support/manual_clock.h"

namespace {

long FrameProc(HWND w, unsigned message, unsigned long wParam, long lParam) {
  if (w == hMainWindow) GUIMessageHandler(message, wParam, lParam);
  return DefWindowProcA(w, message, wParam, lParam);
}

constexpr unsigned long long kTickNanos = 1000000000ull / 64;

class FramePumpTest : public GUITest {
 protected:
  void SetUp() override {
    GUITest::SetUp();
    ResetFramePump();
    ASSERT_TRUE(PlatInitVideo());
    ASSERT_TRUE(RegisterWindowClass("FRAME_PUMP_TEST", FrameProc, CS_DBLCLKS));
    clock.emplace(1000000000ull);
    SetTimerRate(kTimerRate64Hz);
    window = CreateWindowExA(0, "FRAME_PUMP_TEST", "pump", WS_VISIBLE, 0, 0, 728, 529);
    ASSERT_NE(window, nullptr);
    saved = hMainWindow;
    SetupGUIObjEventHandler(window);
    GUIDoEvents(1);
  }
  void TearDown() override {
    ResetFramePump();
    if (IsWindow(window)) DestroyWindow(window);
    hMainWindow = saved;
    clock.reset();
    GUITest::TearDown();
  }
  HWND window = nullptr;
  HWND saved = nullptr;
  std::optional<ScopedManualClock> clock;
};

TEST_F(FramePumpTest, UnforcedPassesAreAtLeastFourTicksApart) {
  Need_Redraw = 1;  // so that the first pass does not sleep
  EXPECT_EQ(CheckRedraw(0, 0), 1);
  EXPECT_EQ(FramePumpPasses, 1u);
  EXPECT_EQ(CheckRedraw(0, 0), 0);
  clock->Advance(3 * kTickNanos);
  EXPECT_EQ(CheckRedraw(0, 1), 0);  // not even without waiting
  EXPECT_EQ(FramePumpPasses, 1u);
  clock->Advance(kTickNanos);
  EXPECT_EQ(CheckRedraw(0, 1), 1);
  EXPECT_EQ(FramePumpPasses, 2u);
}

TEST_F(FramePumpTest, ForcedPassesAlwaysRun) {
  Need_Redraw = 1;
  EXPECT_EQ(CheckRedraw(1, 0), 1);
  Need_Redraw = 1;
  EXPECT_EQ(CheckRedraw(1, 0), 1);
  EXPECT_EQ(FramePumpPasses, 2u);
  EXPECT_EQ(LastDrawTimerCount, GetTimerCount());
}

// The package copy pumps after every file. An unforced CheckRedraw would
// sleep up to 4 ticks there, 62 ms per file, and a copy of a few hundred
// small files took half a minute; the work's pump only passes when due.
TEST_F(FramePumpTest, TheLongWorkPumpPassesWhenDueAndNeverSleeps) {
  Need_Redraw = 1;
  ASSERT_EQ(CheckRedraw(1, 0), 1);
  const auto start = std::chrono::steady_clock::now();
  int passes = 0;
  for (int file = 0; file < 100; ++file) passes += PumpDuringLongWork();
  const auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(passes, 0) << "no tick passed on the manual clock";
  EXPECT_LT(elapsed, std::chrono::seconds(2)) << "100 sleeps of 62 ms would take 6 s";
  clock->Advance(4 * kTickNanos);
  EXPECT_EQ(PumpDuringLongWork(), 1);
  EXPECT_EQ(LastDrawTimerCount, GetTimerCount());
  EXPECT_EQ(PumpDuringLongWork(), 0);
}

// Sockets the source waits on; the last is a loopback connection's readable
// end, the ones before it stay quiet: every item is waited on, not the first.
class SocketSource : public PumpSocketSource {
 public:
  std::vector<PlatSocket> sockets;
  int ready = 0;
  PumpWait PumpWaitItems(PlatPollItem* items, int capacity, int* count) override {
    *count = 0;
    for (PlatSocket s : sockets)
      if (*count < capacity) items[(*count)++] = {s, true, false, false, false, false};
    return *count ? PumpWait::kOnSocket : PumpWait::kNothing;
  }
  void PumpSocketReady() override {
    ++ready;
    char buffer[16];
    PlatSocketReceive(sockets.back(), buffer, sizeof buffer);
  }
};

TEST_F(FramePumpTest, ReadySocketWakesThePumpBetweenPassesAndInsideAWaitingPass) {
  int error = 0;
  PlatSocket listener = PlatSocketOpen(&error);
  ASSERT_NE(listener, 0u);
  ASSERT_EQ(PlatSocketBindAny(listener, 0), 0);
  ASSERT_EQ(PlatSocketListen(listener, 1), 0);
  PlatSocket client = PlatSocketOpen(&error);
  const unsigned char loopback[4] = {127, 0, 0, 1};
  int rc = PlatSocketConnect(client, loopback, PlatSocketLocalPort(listener));
  ASSERT_TRUE(rc == 0 || rc == kSockWouldBlock);
  ASSERT_EQ(PlatSocketConnectStatus(client, 2000), 0);
  PlatSocket server = 0;
  for (int i = 0; i < 200 && !server; ++i) {
    unsigned char addr[4];
    uint16_t port;
    server = PlatSocketAccept(listener, addr, &port, &error);
    if (!server) usleep(5000);
  }
  ASSERT_NE(server, 0u);

  SocketSource source;
  source.sockets = {listener, client};
  SetPumpSocketSource(&source);
  Need_Redraw = 1;
  ASSERT_EQ(CheckRedraw(0, 0), 1);
  // Between passes: the data wakes the wait, the transfer moves, no pass.
  ASSERT_EQ(PlatSocketSend(server, "x", 1), 1);
  EXPECT_EQ(CheckRedraw(0, 0), 0);
  EXPECT_EQ(source.ready, 1);
  // Inside a pass with nothing to do: the data ends the sleep.
  clock->Advance(4 * kTickNanos);
  ASSERT_EQ(PlatSocketSend(server, "y", 1), 1);
  EXPECT_EQ(CheckRedraw(0, 0), 1);
  EXPECT_EQ(source.ready, 2);
  ClearPumpSocketSource(&source);
  PlatSocketClose(server);
  PlatSocketClose(client);
  PlatSocketClose(listener);
}

}  // namespace
