#include <SDL2/SDL.h>
#include <SDL2/SDL_syswm.h>
#include <dlfcn.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <vector>

#include "platform/clock_source.h"
#include "platform/descriptor_poll.h"
#include "platform/keymap.h"
#include "platform/text_encoding.h"
#include "platform/window_sdl_internal.h"

namespace {

struct ClassEntry {
  WNDPROC proc;
  unsigned style;
};

struct Timer {
  HWND window;
  unsigned id;
  unsigned interval;
  unsigned long due;
};

bool g_videoUp = false;
bool g_headless = false;
int g_lastError = 0;
std::map<std::string, ClassEntry> g_classes;
std::vector<HWND> g_windows;
// A queued message with the modifier keys (1 Shift, 2 Control, 4 Alt) held
// when its event happened, which GetKeyState answers while it is handled.
struct QueuedMsg : MSG {
  unsigned modifiers = 0;
};
std::deque<QueuedMsg> g_queue;    // translated events, GUI thread only
unsigned g_eventModifiers = 0;    // as of the last event translated
unsigned g_messageModifiers = 0;  // as of the last message taken from the queue
std::mutex g_postedLock;
std::deque<MSG> g_posted;  // messages posted from any thread
std::vector<Timer> g_timers;
unsigned g_lastScan = 0;  // scan code of the last key down, for WM_CHAR

HWND FirstWindow() { return g_windows.empty() ? nullptr : g_windows.front(); }

HWND WindowFromId(Uint32 id) {
  for (HWND w : g_windows)
    if (w->sdl && SDL_GetWindowID(w->sdl) == id) return w;
  return FirstWindow();
}

unsigned ModifierMask(Uint16 mod) {
  return ((mod & KMOD_SHIFT) ? 1u : 0u) | ((mod & KMOD_CTRL) ? 2u : 0u) | ((mod & KMOD_ALT) ? 4u : 0u);
}

void Push(HWND w, unsigned message, unsigned long wParam, long lParam) {
  if (!w) return;
  QueuedMsg m;
  m.modifiers = g_eventModifiers;
  m.hwnd = w;
  m.message = message;
  m.wParam = wParam;
  m.lParam = lParam;
  m.time = PlatTickMs();
  g_queue.push_back(m);
}

long PackPoint(int x, int y) { return long((unsigned(y) & 0xFFFF) << 16 | (unsigned(x) & 0xFFFF)); }

unsigned MouseFlags() {
  Uint32 b = SDL_GetMouseState(nullptr, nullptr);
  unsigned f = 0;
  if (b & SDL_BUTTON_LMASK) f |= MK_LBUTTON;
  if (b & SDL_BUTTON_RMASK) f |= MK_RBUTTON;
  if (b & SDL_BUTTON_MMASK) f |= MK_MBUTTON;
  if (g_eventModifiers & 1) f |= MK_SHIFT;
  if (g_eventModifiers & 2) f |= MK_CONTROL;
  return f;
}

// Appends the characters of UTF-8 text as WM_CHAR messages. Characters outside
// the narrow code page arrive as '?'.
void PushText(HWND w, const char* text) {
  for (char c : PlatUtf8ToLatin1(text)) Push(w, WM_CHAR, static_cast<unsigned char>(c), long(g_lastScan << 16) | 1);
}

void TranslateKey(const SDL_KeyboardEvent& e, bool down) {
  // The event's own modifiers, not SDL's state now: a burst of keys is
  // taken whole before any is handled.
  g_eventModifiers = ModifierMask(e.keysym.mod);
  HWND w = WindowFromId(e.windowID);
  KeyTranslation k = TranslateScancode(e.keysym.scancode);
  if (!k.virtualKey) return;
  bool alt = (e.keysym.mod & KMOD_ALT) != 0;
  long lParam = 1 | long(k.scanCode << 16) | (k.extended ? (1L << 24) : 0);
  if (alt) lParam |= 1L << 29;
  if (!down) lParam |= (1L << 30) | (1L << 31);
  else if (e.repeat) lParam |= 1L << 30;
  unsigned msg = down ? (alt ? WM_SYSKEYDOWN : WM_KEYDOWN) : (alt ? WM_SYSKEYUP : WM_KEYUP);
  Push(w, msg, k.virtualKey, lParam);
  if (!down) return;
  g_lastScan = k.scanCode;
  // Keys whose characters SDL's text input does not report, as TranslateMessage
  // would produce them.
  unsigned ch = 0;
  switch (k.virtualKey) {
    case VK_RETURN: ch = 13; break;
    case VK_BACK: ch = 8; break;
    case VK_TAB: ch = 9; break;
    case VK_ESCAPE: ch = 27; break;
    default:
      if ((e.keysym.mod & KMOD_CTRL) && !alt && k.virtualKey >= 'A' && k.virtualKey <= 'Z') ch = k.virtualKey - 'A' + 1;
  }
  if (ch) Push(w, alt ? WM_SYSCHAR : WM_CHAR, ch, lParam);
}

void TranslateEvent(const SDL_Event& e) {
  switch (e.type) {
    case SDL_QUIT: Push(FirstWindow(), WM_CLOSE, 0, 0); break;
    case SDL_WINDOWEVENT: {
      HWND w = WindowFromId(e.window.windowID);
      switch (e.window.event) {
        case SDL_WINDOWEVENT_CLOSE: Push(w, WM_CLOSE, 0, 0); break;
        case SDL_WINDOWEVENT_EXPOSED: Push(w, WM_PAINT, 0, 0); break;
        case SDL_WINDOWEVENT_SIZE_CHANGED:
          if (w) {
            w->clientWidth = e.window.data1;
            w->clientHeight = e.window.data2;
          }
          Push(w, WM_SIZE, SIZE_RESTORED, PackPoint(e.window.data1, e.window.data2));
          break;
        case SDL_WINDOWEVENT_MINIMIZED: Push(w, WM_SIZE, SIZE_MINIMIZED, 0); break;
        case SDL_WINDOWEVENT_RESTORED:
          if (w) Push(w, WM_SIZE, SIZE_RESTORED, PackPoint(w->clientWidth, w->clientHeight));
          break;
        case SDL_WINDOWEVENT_MOVED:
          if (w) {
            w->x = e.window.data1;
            w->y = e.window.data2;
          }
          Push(w, WM_MOVE, 0, PackPoint(e.window.data1, e.window.data2));
          break;
        case SDL_WINDOWEVENT_FOCUS_GAINED:
          Push(w, WM_ACTIVATE, 1, 0);
          Push(w, WM_SETFOCUS, 0, 0);
          break;
        case SDL_WINDOWEVENT_FOCUS_LOST:
          Push(w, WM_ACTIVATE, 0, 0);
          Push(w, WM_KILLFOCUS, 0, 0);
          break;
      }
      break;
    }
    case SDL_MOUSEMOTION:
      Push(WindowFromId(e.motion.windowID), WM_MOUSEMOVE, MouseFlags(), PackPoint(e.motion.x, e.motion.y));
      break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
      bool down = e.type == SDL_MOUSEBUTTONDOWN;
      bool dbl = down && e.button.clicks >= 2 && (e.button.clicks % 2) == 0;
      unsigned msg = 0;
      if (e.button.button == SDL_BUTTON_LEFT) msg = down ? (dbl ? WM_LBUTTONDBLCLK : WM_LBUTTONDOWN) : WM_LBUTTONUP;
      else if (e.button.button == SDL_BUTTON_RIGHT)
        msg = down ? (dbl ? WM_RBUTTONDBLCLK : WM_RBUTTONDOWN) : WM_RBUTTONUP;
      else if (e.button.button == SDL_BUTTON_MIDDLE) msg = down ? WM_MBUTTONDOWN : WM_MBUTTONUP;
      if (msg) Push(WindowFromId(e.button.windowID), msg, MouseFlags(), PackPoint(e.button.x, e.button.y));
      break;
    }
    case SDL_MOUSEWHEEL: {
      int x = 0, y = 0;
      SDL_GetMouseState(&x, &y);
      unsigned long delta = static_cast<unsigned short>(short(e.wheel.y * 120));
      Push(WindowFromId(e.wheel.windowID), WM_MOUSEWHEEL, (delta << 16) | MouseFlags(), PackPoint(x, y));
      break;
    }
    case SDL_KEYDOWN: TranslateKey(e.key, true); break;
    case SDL_KEYUP: TranslateKey(e.key, false); break;
    case SDL_TEXTINPUT: PushText(WindowFromId(e.text.windowID), e.text.text); break;
    default: break;
  }
}

// Moves SDL events and posted messages into the queue.
// The descriptor PostMessageA writes to: an eventfd that any thread may
// signal, read empty by the wait it wakes.
int WakeFd() {
  static const int fd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  return fd;
}

void Gather() {
  if (g_videoUp) {
    SDL_Event e;
    while (SDL_PollEvent(&e)) TranslateEvent(e);
  }
  // The wake-up count goes first: a post after it counts again and wakes
  // the next wait, whose gathering then takes it.
  uint64_t posts;
  [[maybe_unused]] const ssize_t got = read(WakeFd(), &posts, sizeof posts);
  std::lock_guard<std::mutex> lock(g_postedLock);
  while (!g_posted.empty()) {
    QueuedMsg m;
    static_cast<MSG&>(m) = g_posted.front();
    m.modifiers = g_eventModifiers;
    g_queue.push_back(m);
    g_posted.pop_front();
  }
}

bool Matches(const MSG& m, HWND w, unsigned lo, unsigned hi) {
  if (w && m.hwnd != w) return false;
  if (lo == 0 && hi == 0) return true;
  return m.message >= lo && m.message <= hi;
}

// Due timers become WM_TIMER messages, one per timer however late it is, and
// only when nothing else is waiting (as on Windows, timers have low priority).
void AddDueTimers() {
  unsigned long now = PlatTickMs();
  for (Timer& t : g_timers) {
    if (long(now - t.due) < 0) continue;
    bool pending = false;
    for (const MSG& m : g_queue)
      if (m.message == WM_TIMER && m.hwnd == t.window && m.wParam == t.id) pending = true;
    if (!pending) Push(t.window, WM_TIMER, t.id, 0);
    t.due = now + t.interval;
  }
}

// The display server's connection, on which its events arrive, or -1 when it
// cannot be told (then the wait looks again every few milliseconds). SDL
// loads the client libraries itself; they are looked up, never loaded here.
int DisplayFd() {
  HWND w = FirstWindow();
  if (!w || !w->sdl) return -1;
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!SDL_GetWindowWMInfo(w->sdl, &info)) return -1;
  switch (info.subsystem) {
    case SDL_SYSWM_X11: return info.info.x11.display ? ConnectionNumber(info.info.x11.display) : -1;
    case SDL_SYSWM_WAYLAND: {
      using GetFd = int (*)(struct wl_display*);
      static GetFd getFd = [] {
        void* library = dlopen("libwayland-client.so.0", RTLD_LAZY | RTLD_NOLOAD);
        return library ? reinterpret_cast<GetFd>(dlsym(library, "wl_display_get_fd")) : nullptr;
      }();
      return getFd && info.info.wl.display ? getFd(info.info.wl.display) : -1;
    }
    default: return -1;
  }
}

// A wait on the display's descriptor is also cut at this, so that events a
// client library read ahead into its own queue wait no longer than that.
constexpr long kDisplayWaitCapMs = 250;

long NextTimerWaitMs() {
  if (g_timers.empty()) return -1;
  unsigned long now = PlatTickMs();
  long best = 0x7FFFFFFF;
  for (const Timer& t : g_timers) best = std::min(best, std::max(0L, long(t.due - now)));
  return best;
}

}  // namespace

SDL_Window* PlatSdlWindow(HWND window) { return IsWindow(window) ? window->sdl : nullptr; }

bool PlatInitVideo() {
  if (g_videoUp) return true;
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "0");
  if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS | SDL_INIT_TIMER) != 0) {
    // No display: run on the headless driver, and say so, since the player
    // would otherwise wait for a window that never comes.
    std::fprintf(stderr, "No display (%s): running without a window.\n", SDL_GetError());
    SDL_setenv("SDL_VIDEODRIVER", "dummy", 1);
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS | SDL_INIT_TIMER) != 0) {
      g_lastError = ENODEV;
      return false;
    }
  }
  const char* driver = SDL_GetCurrentVideoDriver();
  g_headless = driver && (std::strcmp(driver, "dummy") == 0 || std::strcmp(driver, "offscreen") == 0);
  // The back buffer is drawn in software and copied to the window surface.
  // X11 takes that copy as it is, so no GPU renderer (and its driver's
  // memory) is wanted there; Wayland and KMSDRM have no unaccelerated window
  // framebuffer and show nothing without one, so SDL chooses there. A
  // player's SDL_FRAMEBUFFER_ACCELERATION still wins over either.
  if (driver && std::strcmp(driver, "x11") == 0) SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  g_videoUp = true;
  return true;
}

bool PlatIsHeadless() { return !g_videoUp || g_headless; }

void PlatShutdownVideo() {
  if (!g_videoUp) return;
  for (HWND w : g_windows) {
    if (w->sdl) SDL_DestroyWindow(w->sdl);
    delete w;
  }
  g_windows.clear();
  g_timers.clear();
  g_queue.clear();
  SDL_Quit();
  g_videoUp = false;
}

int RegisterWindowClass(const char* className, WNDPROC proc, unsigned style) {
  if (!className || !proc) return 0;
  g_classes[className] = ClassEntry{proc, style};
  return 1;
}

HWND CreateWindowExA(unsigned long exStyle, const char* className, const char* title, unsigned long style, int x, int y,
                     int width, int height) {
  auto it = g_classes.find(className ? className : "");
  if (it == g_classes.end()) {
    g_lastError = EINVAL;
    return nullptr;
  }
  if (!PlatInitVideo()) return nullptr;
  int cw = std::max(1, width - kWindowFrameWidth);
  int ch = std::max(1, height - kWindowFrameHeight);
  Uint32 flags = (style & WS_VISIBLE) ? SDL_WINDOW_SHOWN : SDL_WINDOW_HIDDEN;
  SDL_Window* sdl = SDL_CreateWindow(title ? title : "", x, y, cw, ch, flags);
  if (!sdl) {
    g_lastError = EIO;
    return nullptr;
  }
  HWND w = new PlatWindow;
  w->sdl = sdl;
  w->proc = it->second.proc;
  w->className = it->first;
  w->x = x;
  w->y = y;
  w->clientWidth = cw;
  w->clientHeight = ch;
  w->visible = (style & WS_VISIBLE) != 0;
  g_windows.push_back(w);
  SDL_StartTextInput();
  return w;
}

bool IsWindow(HWND window) {
  return window && std::find(g_windows.begin(), g_windows.end(), window) != g_windows.end();
}

bool DestroyWindow(HWND window) {
  if (!IsWindow(window)) return false;
  // The window leaves the live list before WM_DESTROY is sent, so a handler
  // that ends the program (and never returns here) finds it gone.
  g_windows.erase(std::find(g_windows.begin(), g_windows.end(), window));
  g_timers.erase(std::remove_if(g_timers.begin(), g_timers.end(), [&](const Timer& t) { return t.window == window; }),
                 g_timers.end());
  g_queue.erase(std::remove_if(g_queue.begin(), g_queue.end(), [&](const MSG& m) { return m.hwnd == window; }),
                g_queue.end());
  SDL_Window* sdl = window->sdl;
  WNDPROC proc = window->proc;
  struct Cleanup {
    HWND w;
    SDL_Window* s;
    ~Cleanup() {
      if (s) SDL_DestroyWindow(s);
      delete w;
    }
  } cleanup{window, sdl};
  if (sdl) SDL_HideWindow(sdl);
  proc(window, WM_DESTROY, 0, 0);
  return true;
}

bool SetWindowPos(HWND window, HWND insertAfter, int x, int y, int cx, int cy, unsigned flags) {
  if (!IsWindow(window)) return false;
  if (!(flags & SWP_NOMOVE)) {
    window->x = x;
    window->y = y;
    SDL_SetWindowPosition(window->sdl, x, y);
  }
  if (!(flags & SWP_NOSIZE)) {
    window->clientWidth = std::max(1, cx - kWindowFrameWidth);
    window->clientHeight = std::max(1, cy - kWindowFrameHeight);
    SDL_SetWindowSize(window->sdl, window->clientWidth, window->clientHeight);
  }
  if (flags & SWP_HIDEWINDOW) ShowWindow(window, SW_HIDE);
  if (flags & SWP_SHOWWINDOW) ShowWindow(window, SW_SHOWNORMAL);
  (void)insertAfter;  // z-order has no meaning for a single top-level window
  return true;
}

bool ShowWindow(HWND window, int command) {
  if (!IsWindow(window)) return false;
  bool was = window->visible;
  switch (command) {
    case SW_HIDE:
      SDL_HideWindow(window->sdl);
      window->visible = false;
      break;
    case SW_MINIMIZE: SDL_MinimizeWindow(window->sdl); break;
    case SW_RESTORE:
      SDL_RestoreWindow(window->sdl);
      window->visible = true;
      break;
    default:
      SDL_ShowWindow(window->sdl);
      window->visible = true;
      break;
  }
  return was;
}

bool SetWindowTextA(HWND window, const char* title) {
  if (!IsWindow(window)) return false;
  SDL_SetWindowTitle(window->sdl, title ? title : "");
  return true;
}

bool GetClientSize(HWND window, int* width, int* height) {
  if (!IsWindow(window)) return false;
  *width = window->clientWidth;
  *height = window->clientHeight;
  return true;
}

int GetSystemMetrics(int index) {
  SDL_DisplayMode mode;
  if (!PlatInitVideo() || SDL_GetDesktopDisplayMode(0, &mode) != 0) {
    mode.w = 1024;
    mode.h = 768;
  }
  if (index == SM_CXSCREEN) return mode.w;
  if (index == SM_CYSCREEN) return mode.h;
  return 0;
}

int PlatLastError() { return g_lastError; }

unsigned PlatMessageModifiers() { return g_messageModifiers; }

bool PeekMessageA(MSG* msg, HWND window, unsigned filterMin, unsigned filterMax, unsigned remove) {
  Gather();
  auto find = [&]() {
    return std::find_if(g_queue.begin(), g_queue.end(),
                        [&](const QueuedMsg& m) { return Matches(m, window, filterMin, filterMax); });
  };
  auto it = find();
  if (it == g_queue.end()) {
    AddDueTimers();
    it = find();
    if (it == g_queue.end()) return false;
  }
  *msg = *it;
  if (remove & PM_REMOVE) {
    g_messageModifiers = it->modifiers;
    g_queue.erase(it);
  }
  return true;
}

void WaitMessage() { PlatWaitForMessageOrSockets(nullptr, 0, -1); }

int PlatWaitForMessageOrSockets(PlatPollItem* items, int count, long timeoutMs) {
  Gather();
  if (!g_queue.empty()) return 0;
  long wait = NextTimerWaitMs();
  if (timeoutMs >= 0 && (wait < 0 || timeoutMs < wait)) wait = timeoutMs;
  int fds[2] = {WakeFd(), -1};
  int fdCount = 1;
  if (g_videoUp && !g_headless) {
    // A display without a descriptor to wait on is looked at again soon.
    fds[1] = DisplayFd();
    const long cap = fds[1] >= 0 ? kDisplayWaitCapMs : 10;
    if (fds[1] >= 0) ++fdCount;
    if (wait < 0 || wait > cap) wait = cap;
  }
  bool ready[2] = {false, false};
  const int r = PlatPollSocketsAndDescriptors(items, count, fds, ready, fdCount, int(wait));
  return r > 0 ? r : 0;
}

void TranslateMessage(const MSG*) {}

long DispatchMessageA(const MSG* msg) {
  if (!msg || !IsWindow(msg->hwnd)) return 0;
  return msg->hwnd->proc(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

bool PostMessageA(HWND window, unsigned message, unsigned long wParam, long lParam) {
  {
    std::lock_guard<std::mutex> lock(g_postedLock);
    MSG m;
    m.hwnd = window;
    m.message = message;
    m.wParam = wParam;
    m.lParam = lParam;
    m.time = PlatTickMs();
    g_posted.push_back(m);
  }
  // Wakes a wait in PlatWaitForMessageOrSockets on whichever thread.
  const uint64_t one = 1;
  [[maybe_unused]] const ssize_t written = write(WakeFd(), &one, sizeof one);
  return true;
}

long SendMessageA(HWND window, unsigned message, unsigned long wParam, long lParam) {
  if (!IsWindow(window)) return 0;
  return window->proc(window, message, wParam, lParam);
}

long DefWindowProcA(HWND window, unsigned message, unsigned long wParam, long lParam) {
  if (message == WM_CLOSE) DestroyWindow(window);
  return 0;
}

unsigned SetTimer(HWND window, unsigned id, unsigned intervalMs) {
  if (!IsWindow(window)) return 0;
  unsigned long due = PlatTickMs() + intervalMs;
  for (Timer& t : g_timers)
    if (t.window == window && t.id == id) {
      t.interval = intervalMs;
      t.due = due;
      return id;
    }
  g_timers.push_back(Timer{window, id, intervalMs, due});
  return id;
}

bool KillTimer(HWND window, unsigned id) {
  auto it =
      std::find_if(g_timers.begin(), g_timers.end(), [&](const Timer& t) { return t.window == window && t.id == id; });
  if (it == g_timers.end()) return false;
  g_timers.erase(it);
  return true;
}

int MessageBoxA(HWND owner, const char* text, const char* caption, unsigned flags) {
  std::fprintf(stderr, "%s%s%s\n", caption ? caption : "", caption ? ": " : "", text ? text : "");
  std::fflush(stderr);
  const char* mode = std::getenv("QUORVEL_MESSAGEBOX");
  bool toStderrOnly = mode && std::strcmp(mode, "stderr") == 0;
  if (!toStderrOnly) PlatInitVideo();
  bool show = g_videoUp && !g_headless && !toStderrOnly;
  if (show) {
    SDL_Window* parent = (owner && IsWindow(owner) && owner->visible) ? owner->sdl : nullptr;
    // SDL draws the box itself with the X server's core fonts (or asks
    // zenity); without either nothing can be shown.
    if (SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_WARNING, caption ? caption : "", text ? text : "", parent) != 0) {
      // The text is on standard error already; say that nobody saw it.
      std::fprintf(stderr, "The message box could not be shown: %s\n", SDL_GetError());
      std::fflush(stderr);
    }
  }
  return 1;
}
