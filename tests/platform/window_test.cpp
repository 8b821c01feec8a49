#include "platform/window.h"

#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <cstring>
#include <thread>
#include <vector>

#include "platform/key_state.h"
#include "platform/keymap.h"
#include "platform/sockets.h"
#include "support/manual_clock.h"

namespace {
std::vector<MSG> g_seen;

long RecordingProc(HWND w, unsigned message, unsigned long wParam, long lParam) {
  MSG m;
  m.hwnd = w;
  m.message = message;
  m.wParam = wParam;
  m.lParam = lParam;
  g_seen.push_back(m);
  return DefWindowProcA(w, message, wParam, lParam);
}

class PlatformWindow : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(PlatInitVideo());
    ASSERT_TRUE(RegisterWindowClass("TEST_CLASS", RecordingProc, CS_DBLCLKS));
    window = CreateWindowExA(0, "TEST_CLASS", "test", WS_VISIBLE, 10, 20, 728, 529);
    ASSERT_NE(window, nullptr);
    Drain();
    g_seen.clear();
  }
  void TearDown() override {
    if (IsWindow(window)) DestroyWindow(window);
  }
  // Dispatches everything pending; returns the messages dispatched.
  std::vector<MSG> Drain() {
    std::vector<MSG> got;
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
      got.push_back(m);
      DispatchMessageA(&m);
    }
    return got;
  }
  static int Count(const std::vector<MSG>& ms, unsigned message) {
    int n = 0;
    for (const MSG& m : ms) n += m.message == message;
    return n;
  }
  HWND window = nullptr;
};
}  // namespace

TEST_F(PlatformWindow, DrawingAreaIsTheOuterSizeLessTheFrame) {
  int w = 0, h = 0;
  ASSERT_TRUE(GetClientSize(window, &w, &h));
  EXPECT_EQ(w, 720);
  EXPECT_EQ(h, 505);
}

TEST_F(PlatformWindow, PostedMessagesArriveInOrderAndPeekWithoutRemoveKeepsThem) {
  PostMessageA(window, WM_USER, 1, 2);
  PostMessageA(window, WM_USER + 1, 3, 4);
  MSG m;
  ASSERT_TRUE(PeekMessageA(&m, window, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(m.message, unsigned(WM_USER));
  std::vector<MSG> got = Drain();
  ASSERT_EQ(Count(got, WM_USER) + Count(got, WM_USER + 1), 2);
  EXPECT_EQ(got[0].wParam, 1u);
  EXPECT_EQ(got[0].lParam, 2);
  EXPECT_FALSE(PeekMessageA(&m, window, 0, 0, PM_REMOVE));
}

// The one wait sleeps until a message is posted from any thread, a socket is
// ready or a timer is due, and otherwise for its whole time-out.
TEST_F(PlatformWindow, TheWaitEndsForAPostASocketOrATimerAndNotBefore) {
  int error = 0;
  const PlatSocket listener = PlatSocketOpen(&error);
  ASSERT_NE(listener, 0u);
  ASSERT_EQ(PlatSocketBindAny(listener, 0), 0);
  ASSERT_EQ(PlatSocketListen(listener, 4), 0);
  const uint16_t port = PlatSocketLocalPort(listener);
  struct Case {
    const char* name;
    long timeoutMs;
    int sockets;  // ready sockets the wait reports
    Uint32 atLeastMs;
  } cases[] = {{"post", -1, 0, 40}, {"socket", -1, 1, 40}, {"timer", -1, 0, 70}, {"time-out", 120, 0, 115}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PlatSocket client = 0;
    std::thread other([&] {
      SDL_Delay(50);
      if (!std::strcmp(c.name, "post")) PostMessageA(window, WM_USER, 7, 0);
      if (!std::strcmp(c.name, "socket")) {
        int e = 0;
        const unsigned char loopback[4] = {127, 0, 0, 1};
        client = PlatSocketOpen(&e);
        PlatSocketConnect(client, loopback, port);
      }
    });
    if (!std::strcmp(c.name, "timer")) SetTimer(window, 9, 80);
    PlatPollItem item{listener, true, false, false, false, false};
    const Uint32 start = SDL_GetTicks();
    const int ready = PlatWaitForMessageOrSockets(&item, 1, c.timeoutMs);
    const Uint32 waited = SDL_GetTicks() - start;
    other.join();
    EXPECT_EQ(ready, c.sockets);
    EXPECT_GE(waited, c.atLeastMs);
    EXPECT_LT(waited, 1500u);
    const std::vector<MSG> got = Drain();
    EXPECT_EQ(Count(got, WM_USER), !std::strcmp(c.name, "post") ? 1 : 0);
    EXPECT_EQ(Count(got, WM_TIMER), !std::strcmp(c.name, "timer") ? 1 : 0);
    KillTimer(window, 9);
    if (client) {
      unsigned char addr[4];
      uint16_t from = 0;
      PlatSocketClose(PlatSocketAccept(listener, addr, &from, &error));
      PlatSocketClose(client);
    }
  }
  PlatSocketClose(listener);
}

TEST_F(PlatformWindow, TimersFireByIdAtTheirIntervalAndCoalesce) {
  ScopedManualClock clock(1000000000ull);
  SetTimer(window, 2, 100);
  SetTimer(window, 3, 250);
  EXPECT_EQ(Count(Drain(), WM_TIMER), 0);
  clock.Advance(100000000ull);
  std::vector<MSG> got = Drain();
  ASSERT_EQ(Count(got, WM_TIMER), 1);
  EXPECT_EQ(got[0].wParam, 2u);
  // A late pump gets one message per timer, not one per missed interval.
  clock.Advance(1000000000ull);
  got = Drain();
  EXPECT_EQ(Count(got, WM_TIMER), 2);
  EXPECT_TRUE(KillTimer(window, 2));
  EXPECT_FALSE(KillTimer(window, 2));
  clock.Advance(1000000000ull);
  got = Drain();
  ASSERT_EQ(Count(got, WM_TIMER), 1);
  EXPECT_EQ(got[0].wParam, 3u);
}

TEST_F(PlatformWindow, CloseRequestBecomesCloseThenDestroy) {
  SDL_Event quit;
  SDL_zero(quit);
  quit.type = SDL_QUIT;
  SDL_PushEvent(&quit);
  Drain();
  ASSERT_EQ(g_seen.size(), 2u);
  EXPECT_EQ(g_seen[0].message, unsigned(WM_CLOSE));
  EXPECT_EQ(g_seen[1].message, unsigned(WM_DESTROY));
  EXPECT_FALSE(IsWindow(window));
}

TEST_F(PlatformWindow, KeysBecomeVirtualKeysWithScanCodesAndCharacters) {
  SDL_Event e;
  SDL_zero(e);
  e.type = SDL_KEYDOWN;
  e.key.windowID = 0;
  e.key.keysym.scancode = SDL_SCANCODE_RETURN;
  SDL_PushEvent(&e);
  e.type = SDL_KEYUP;
  SDL_PushEvent(&e);
  SDL_Event t;
  SDL_zero(t);
  t.type = SDL_TEXTINPUT;
  std::strcpy(t.text.text, "a\xC3\xA9");  // 'a', e-acute
  SDL_PushEvent(&t);
  Drain();
  ASSERT_EQ(g_seen.size(), 5u);
  EXPECT_EQ(g_seen[0].message, unsigned(WM_KEYDOWN));
  EXPECT_EQ(g_seen[0].wParam, unsigned(VK_RETURN));
  EXPECT_EQ((g_seen[0].lParam >> 16) & 0xFF, 0x1C);
  EXPECT_EQ(g_seen[1].message, unsigned(WM_CHAR));
  EXPECT_EQ(g_seen[1].wParam, 13u);
  EXPECT_EQ(g_seen[2].message, unsigned(WM_KEYUP));
  EXPECT_NE(g_seen[2].lParam & (1L << 31), 0);
  EXPECT_EQ(g_seen[3].wParam, unsigned('a'));
  EXPECT_EQ(g_seen[4].wParam, 0xE9u);
  EXPECT_EQ((g_seen[4].lParam >> 16) & 0xFF, 0x1C) << "characters carry the last key's scan code";
}

// A burst taken by SDL in one batch (shift+Home, then BackSpace, typed at a
// macro tool's pace): each key is handled with the modifiers it was pressed
// with, whatever SDL's state is by the time it is handled.
TEST_F(PlatformWindow, EachKeyIsHandledWithItsOwnModifiers) {
  const struct {
    SDL_Scancode key;
    Uint16 mod;  // the event's modifiers
    bool down;
    int virtualKey;
    unsigned expected;  // GetKeyState mask while its WM_KEYDOWN is handled
  } burst[] = {
      {SDL_SCANCODE_LSHIFT, KMOD_LSHIFT, true, VK_SHIFT, 1},
      {SDL_SCANCODE_HOME, KMOD_LSHIFT, true, VK_HOME, 1},
      {SDL_SCANCODE_HOME, KMOD_LSHIFT, false, VK_HOME, 0},
      {SDL_SCANCODE_LSHIFT, KMOD_NONE, false, VK_SHIFT, 0},
      {SDL_SCANCODE_BACKSPACE, KMOD_NONE, true, VK_BACK, 0},
      {SDL_SCANCODE_LCTRL, KMOD_LCTRL, true, VK_CONTROL, 2},
      {SDL_SCANCODE_LEFT, KMOD_LCTRL | KMOD_LSHIFT, true, VK_LEFT, 3},
      {SDL_SCANCODE_LCTRL, KMOD_NONE, false, VK_CONTROL, 0},
      {SDL_SCANCODE_END, KMOD_NONE, true, VK_END, 0},
  };
  for (const auto& b : burst) {
    SDL_Event e;
    SDL_zero(e);
    e.type = b.down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.keysym.scancode = b.key;
    e.key.keysym.mod = b.mod;
    SDL_PushEvent(&e);
  }
  MSG m;
  std::vector<std::pair<unsigned long, unsigned>> handled;  // key, GetKeyState mask
  while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
    if (m.message != WM_KEYDOWN) continue;
    handled.emplace_back(m.wParam,
                         (GetKeyState(VK_SHIFT) & 0x8000 ? 1u : 0u) | (GetKeyState(VK_CONTROL) & 0x8000 ? 2u : 0u));
  }
  std::vector<std::pair<unsigned long, unsigned>> expected;
  for (const auto& b : burst)
    if (b.down) expected.emplace_back(b.virtualKey, b.expected);
  EXPECT_EQ(handled, expected);
}

TEST_F(PlatformWindow, MouseButtonsPackTheirPosition) {
  SDL_Event e;
  SDL_zero(e);
  e.type = SDL_MOUSEBUTTONDOWN;
  e.button.button = SDL_BUTTON_LEFT;
  e.button.clicks = 2;
  e.button.x = 300;
  e.button.y = 7;
  SDL_PushEvent(&e);
  e.type = SDL_MOUSEBUTTONUP;
  e.button.button = SDL_BUTTON_RIGHT;
  SDL_PushEvent(&e);
  Drain();
  ASSERT_EQ(g_seen.size(), 2u);
  EXPECT_EQ(g_seen[0].message, unsigned(WM_LBUTTONDBLCLK));
  EXPECT_EQ(g_seen[0].lParam & 0xFFFF, 300);
  EXPECT_EQ((g_seen[0].lParam >> 16) & 0xFFFF, 7);
  EXPECT_EQ(g_seen[1].message, unsigned(WM_RBUTTONUP));
}
