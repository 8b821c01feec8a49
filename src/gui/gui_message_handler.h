// The bridge between the program window's messages (Windows meanings and
// parameter packing, delivered by the platform layer) and the GUI's entry
// points, the GUI's message pump, the clipboard and window activation.
#pragma once

#include "gui/gui_globals.h"
#include "platform/window.h"

// Size limits that WM_GETMINMAXINFO carries (lParam points to one).
struct POINT {
  long x, y;
};
struct MINMAXINFO {
  POINT ptReserved, ptMaxSize, ptMaxPosition, ptMinTrackSize, ptMaxTrackSize;
};

// Translates one message; 1 for key-downs passed to the toolkit and for
// WM_GETMINMAXINFO, else 0.
int GUIMessageHandler(unsigned message, unsigned long wParam, long lParam);

// How the program's window procedure takes a message handler (the
// launcher's AddWindozeMessageHandler).
typedef int (*GUIWindowMessageHandler)(unsigned message, unsigned long wParam, long lParam);
typedef void (*GUIHandlerRegistrar)(GUIWindowMessageHandler handler, HWND window);

// Makes `window` the GUI's window (null: hMainWindow), registers
// GUIMessageHandler through `registrar` when one is given, and starts the
// 500 ms tick (timer 3). With DontAllowWindowResize set the window's size is
// pinned to FixedWidth x FixedHeight.
void SetupGUIObjEventHandler(HWND window = nullptr, GUIHandlerRegistrar registrar = nullptr);
// Handles every pending message of the window; returns when the queue is
// empty and something was handled, dontWait is set, or drawing is due;
// otherwise sleeps until a message arrives.
void GUIDoEvents(unsigned char dontWait);
// Posts WM_USER so that a waiting GUIDoEvents returns; any thread.
void WakeUpGUIMessageHandler();
void GUIActivateWindow();
// A null text does nothing.
void GUISetClipboardText(const char* text);
// A new copy (MustAlloc; the caller frees it with GRTFree), or null.
char* GUIGetClipboardText();
