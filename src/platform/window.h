// The program window and its message pump, in the shape of the Windows
// interfaces the core is written against. SDL events are translated into
// window messages with Windows meanings and parameter packing, so the core's
// message handlers are written once for every platform.
//
// Everything here runs on the GUI thread, except PostMessageA, which any
// thread may call to wake the pump.
#pragma once

#include <cstdint>

#include "platform/sockets.h"

struct PlatWindow;
typedef PlatWindow* HWND;

typedef long (*WNDPROC)(HWND window, unsigned message, unsigned long wParam, long lParam);

struct MSG {
  HWND hwnd = nullptr;
  unsigned message = 0;
  unsigned long wParam = 0;
  long lParam = 0;
  unsigned long time = 0;  // milliseconds of the platform clock
};

enum : unsigned {
  WM_NULL = 0x0000,
  WM_CREATE = 0x0001,
  WM_DESTROY = 0x0002,
  WM_MOVE = 0x0003,
  WM_SIZE = 0x0005,
  WM_ACTIVATE = 0x0006,
  WM_SETFOCUS = 0x0007,
  WM_KILLFOCUS = 0x0008,
  WM_PAINT = 0x000F,
  WM_CLOSE = 0x0010,
  WM_QUIT = 0x0012,
  WM_ERASEBKGND = 0x0014,
  WM_ACTIVATEAPP = 0x001C,
  WM_SETCURSOR = 0x0020,
  WM_GETMINMAXINFO = 0x0024,
  WM_KEYDOWN = 0x0100,
  WM_KEYUP = 0x0101,
  WM_CHAR = 0x0102,
  WM_SYSKEYDOWN = 0x0104,
  WM_SYSKEYUP = 0x0105,
  WM_SYSCHAR = 0x0106,
  WM_TIMER = 0x0113,
  WM_MENUSELECT = 0x011F,
  WM_MOUSEMOVE = 0x0200,
  WM_LBUTTONDOWN = 0x0201,
  WM_LBUTTONUP = 0x0202,
  WM_LBUTTONDBLCLK = 0x0203,
  WM_RBUTTONDOWN = 0x0204,
  WM_RBUTTONUP = 0x0205,
  WM_RBUTTONDBLCLK = 0x0206,
  WM_MBUTTONDOWN = 0x0207,
  WM_MBUTTONUP = 0x0208,
  WM_MOUSEWHEEL = 0x020A,
  WM_SIZING = 0x0214,
  WM_MOVING = 0x0216,
  WM_USER = 0x0400,
};

// Mouse-message wParam flags.
enum : unsigned { MK_LBUTTON = 0x1, MK_RBUTTON = 0x2, MK_SHIFT = 0x4, MK_CONTROL = 0x8, MK_MBUTTON = 0x10 };

// wParam of WM_SIZE.
enum : unsigned { SIZE_RESTORED = 0, SIZE_MINIMIZED = 1, SIZE_MAXIMIZED = 2 };

// PeekMessageA removal flag.
enum : unsigned { PM_NOREMOVE = 0, PM_REMOVE = 1 };

// SetWindowPos flags and insert-after values.
enum : unsigned {
  SWP_NOSIZE = 0x0001,
  SWP_NOMOVE = 0x0002,
  SWP_NOZORDER = 0x0004,
  SWP_NOACTIVATE = 0x0010,
  SWP_SHOWWINDOW = 0x0040,
  SWP_HIDEWINDOW = 0x0080,
  SWP_NOSENDCHANGING = 0x0400,
};
#define HWND_BOTTOM (reinterpret_cast<HWND>(1))

// ShowWindow commands.
enum : int { SW_HIDE = 0, SW_SHOWNORMAL = 1, SW_MINIMIZE = 6, SW_RESTORE = 9 };

// GetSystemMetrics indices.
enum : int { SM_CXSCREEN = 0, SM_CYSCREEN = 1 };

// Window styles the core names.
enum : unsigned long {
  WS_OVERLAPPEDWINDOW = 0x00CF0000UL,
  WS_CLIPCHILDREN = 0x02000000UL,
  WS_VISIBLE = 0x10000000UL,
  WS_EX_APPWINDOW = 0x00040000UL,
  CS_DBLCLKS = 0x0008,
};

// Size of the frame a Windows window draws around its client area with the
// overlapped style: the outer size is the drawing area plus this.
constexpr int kWindowFrameWidth = 8;
constexpr int kWindowFrameHeight = 24;

// Brings up the video subsystem. Without a usable display, or with
// SDL_VIDEODRIVER=dummy, it runs headless: windows exist in memory only and
// message boxes go to standard error. Returns false only when even the
// headless driver fails. Safe to call more than once.
bool PlatInitVideo();
bool PlatIsHeadless();
void PlatShutdownVideo();

// Registers the window procedure for a class name. Returns 0 on failure.
int RegisterWindowClass(const char* className, WNDPROC proc, unsigned style);

// Creates a window of a registered class with the given outer rectangle; the
// drawing area is the outer size less the frame. Returns null on failure
// (PlatLastError tells why).
HWND CreateWindowExA(unsigned long exStyle, const char* className, const char* title, unsigned long style, int x, int y,
                     int width, int height);
// Sends WM_DESTROY to the window procedure, then destroys the window.
bool DestroyWindow(HWND window);
bool IsWindow(HWND window);
bool SetWindowPos(HWND window, HWND insertAfter, int x, int y, int cx, int cy, unsigned flags);
bool ShowWindow(HWND window, int command);
bool SetWindowTextA(HWND window, const char* title);
// Size of the drawing area.
bool GetClientSize(HWND window, int* width, int* height);
int GetSystemMetrics(int index);
int PlatLastError();

// Message pump. PeekMessageA takes the next pending message for the window
// (null: any) into msg; with PM_REMOVE it is removed. Due timers are turned
// into WM_TIMER messages here. Never blocks.
bool PeekMessageA(MSG* msg, HWND window, unsigned filterMin, unsigned filterMax, unsigned remove);
// Sleeps until a message is pending (an event, a posted message or a due timer).
void WaitMessage();
// One wait for all there is to wait on: sleeps until a window event arrives,
// a message is posted, the next window timer is due, one of the sockets is
// ready or timeoutMs pass (negative: no limit of its own). With a display it
// also looks again after 250 ms, for events its client library may have read
// ahead. Returns the number of ready sockets (their result fields set; 0 when
// it woke for something else).
int PlatWaitForMessageOrSockets(PlatPollItem* items, int count, long timeoutMs);
void TranslateMessage(const MSG* msg);
long DispatchMessageA(const MSG* msg);
// Queues a message; callable from any thread; wakes WaitMessage.
bool PostMessageA(HWND window, unsigned message, unsigned long wParam, long lParam);
// Calls the window procedure at once.
long SendMessageA(HWND window, unsigned message, unsigned long wParam, long lParam);
long DefWindowProcA(HWND window, unsigned message, unsigned long wParam, long lParam);

// Window timers: every intervalMs the pump delivers WM_TIMER with wParam = id.
// Setting an existing id replaces its interval.
unsigned SetTimer(HWND window, unsigned id, unsigned intervalMs);
bool KillTimer(HWND window, unsigned id);

// A modal message box; with no display it only writes the text to standard
// error (it always does that too). Returns 1 (OK).
int MessageBoxA(HWND owner, const char* text, const char* caption, unsigned flags);
enum : unsigned { MB_OK = 0x0, MB_ICONWARNING = 0x30, MB_SETFOREGROUND = 0x10000, MB_TASKMODAL = 0x2000 };
