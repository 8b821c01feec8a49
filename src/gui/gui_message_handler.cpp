#include "gui/gui_message_handler.h"

#include <cstring>
#include <string>

#include "foundation/alloc.h"
#include "foundation/program_globals.h"
#include "foundation/runtime.h"
#include "gfx/display_device.h"
#include "gfx/gfx_device.h"
#include "gui/balloon_help.h"
#include "gui/damage.h"
#include "gui/frame_pump.h"
#include "gui/gui_object.h"
#include "gui/gui_timers.h"
#include "gui/key_map.h"
#include "gui/keyboard.h"
#include "gui/mouse_dispatch.h"
#include "platform/clipboard.h"
#include "platform/key_state.h"
#include "platform/keymap.h"
#include "platform/window_focus.h"

// Defined with the launcher's window set-up.

namespace {
HWND GUIWindow() { return hMainWindow; }

int LowSigned(long l) { return int(short(l & 0xFFFF)); }
int HighSigned(long l) { return int(short((l >> 16) & 0xFFFF)); }

unsigned long MouseMods(unsigned long wParam) {
  return ((wParam & MK_SHIFT) ? 4 : 0) + ((wParam & MK_CONTROL) ? 8 : 0);
}
}  // namespace

void SetupGUIObjEventHandler(HWND window, GUIHandlerRegistrar registrar) {
  if (window) hMainWindow = window;
  if (registrar) registrar(GUIMessageHandler, GUIWindow());
  SetGUITickInterval(kGUITickIntervalMs);
  if (DontAllowWindowResize && FixedWidth > 0 && FixedHeight > 0)
    PlatFixWindowSize(GUIWindow(), FixedWidth, FixedHeight);
}

int GUIMessageHandler(unsigned message, unsigned long wParam, long lParam) {
  int result = 0;
  bool catchUp = true;
  switch (message) {
    case WM_SIZE:
      if (wParam != SIZE_MINIMIZED && !PlatIsWindowMinimized(GUIWindow())) {
        if (CurGfxDevice) CurGfxDevice->ResizeToClientWindow();
        for (GUIObject* o = GUIObjList; o; o = o->Next)
          if (!(o->Flags & Disabled) && (o->Flags & FillsWindow)) {
            o->Width = GfxDevice::Width;
            o->Height = GfxDevice::Height;
            o->LayoutChildren();
          }
        Need_Redraw = 1;
      }
      break;
    case WM_PAINT:
      if (CurGfxDevice) {
        for (GUIObject* o = GUIObjList; o; o = o->Next) o->Draw(0, 0);
        CurGfxDevice->PageSwap();
      }
      Need_Redraw = 1;
      break;
    case WM_SETCURSOR: GUISetCursor(static_cast<unsigned long>(GUICursor)); break;
    case WM_GETMINMAXINFO:
      if (DontAllowWindowResize && FixedWidth > 0 && FixedHeight > 0 && lParam) {
        MINMAXINFO* info = reinterpret_cast<MINMAXINFO*>(lParam);
        info->ptMinTrackSize = {FixedWidth, FixedHeight};
        info->ptMaxTrackSize = {FixedWidth, FixedHeight};
      }
      result = 1;
      break;
    case WM_KEYDOWN: {
      int i = FindKeyMapEntry(int(wParam));
      if (i < kKeyMapAltOnlyEntries) break;  // -1 too
      int mods = 0x1000;
      bool control = GetKeyState(VK_CONTROL) & 0x8000;
      if (GetKeyState(VK_SHIFT) & 0x8000) mods |= 0x400;
      if (control) mods |= 0x200;
      if (KeyMap[i].character && !control) {
        catchUp = false;  // it comes again as a character
        break;
      }
      GUIHandleKey(KeyMap[i].keyCode + mods, static_cast<unsigned long>(mods));
      result = 1;
      break;
    }
    case WM_SYSKEYDOWN: {
      int i = FindKeyMapEntry(int(wParam));
      if (i < 0) break;
      GUIHandleKey(KeyMap[i].keyCode + 0x1100, 0x1100);
      result = 1;
      break;
    }
    case WM_CHAR: {
      int key = ScanCodeToExtendedKey(int((lParam >> 16) & 0xFF));
      if (key != 10) key = int(wParam & 0xFF);
      GUIHandleKey(key, 0);
      break;
    }
    case WM_TIMER:
      if (wParam == kGUITickTimerId) GUITimerTick();
      else if (wParam == kGUIAnimTimerId) GUIAnimateWindows();
      break;
    case WM_MOUSEMOVE:
      CurMouseX = LowSigned(lParam);
      CurMouseY = HighSigned(lParam);
      GUIDoMouseMove(CurMouseX, CurMouseY, MouseMods(wParam));
      SelectMouseCursor(CurMouseX, CurMouseY);
      break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP: {
      ButtonEventType t = message == WM_LBUTTONDOWN     ? LeftButtonDown
                          : message == WM_LBUTTONUP     ? LeftButtonUp
                          : message == WM_LBUTTONDBLCLK ? LeftDoubleClick
                          : message == WM_RBUTTONDOWN   ? RightButtonDown
                                                        : RightButtonUp;
      KillBalloonHelp();
      GUIDoMouseButtonEvent(LowSigned(lParam), HighSigned(lParam), t, MouseMods(wParam));
      break;
    }
    default: break;
  }
  if (catchUp) GUICatchUpTick();
  return result;
}

void GUIDoEvents(unsigned char dontWait) {
  bool handled = false;
  MSG msg;
  for (;;) {
    while (PeekMessageA(&msg, GUIWindow(), 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
      handled = true;
    }
    if (handled || dontWait || Need_Redraw || NDamageRegions || ProgramExiting) return;
    // A transfer that moved on counts as handled: its reports may have
    // changed what the caller's loop has to do.
    if (PumpWaitForMessageOrSocket(-1)) return;
  }
}

void WakeUpGUIMessageHandler() { PostMessageA(GUIWindow(), WM_USER, 0, 0); }

void GUIActivateWindow() { PlatActivateWindow(GUIWindow()); }

void GUISetClipboardText(const char* text) {
  if (!text) return;
  PlatSetClipboardText(text);
}

char* GUIGetClipboardText() {
  std::string text;
  if (!PlatGetClipboardText(&text)) return nullptr;
  return GUIStrDup(text.c_str());
}
