#include "launcher/window_proc.h"

#include "foundation/fail.h"
#include "foundation/log.h"
#include "foundation/runtime.h"

void AddWindozeMessageHandler(WindozeMessageHandler handler, HWND window) {
  if (!window) window = hMainWindow;
  for (int i = 0; i < kMaxMessageHandlers; ++i)
    if (MessageHandlers[i] == handler) return;
  for (int i = 0; i < kMaxMessageHandlers; ++i) {
    if (!MessageHandlers[i]) {
      MessageHandlers[i] = handler;
      WindowForMessageHandlers[i] = window;
      return;
    }
  }
  Fail("too many message handlers, increase limit in os");
}

void RemoveWindozeMessageHandler(WindozeMessageHandler handler) {
  for (int i = 0; i < kMaxMessageHandlers; ++i)
    if (MessageHandlers[i] == handler) {
      MessageHandlers[i] = nullptr;
      WindowForMessageHandlers[i] = nullptr;
    }
}

long OurWindowProc(HWND window, unsigned message, unsigned long wParam, long lParam) {
  if (!ProgramExiting) {
    // Handlers cannot consume a message: every one registered for the window runs.
    for (int i = 0; i < kMaxMessageHandlers; ++i)
      if (MessageHandlers[i] && WindowForMessageHandlers[i] == window) MessageHandlers[i](message, wParam, lParam);
  }
  if (window == hMainWindow) {
    switch (message) {
      case WM_DESTROY:
      case WM_QUIT: ProgramExiting = 1; OSSaysExitProgram();
      case WM_SETFOCUS:
      case WM_KILLFOCUS:
      case WM_MENUSELECT: DLog("focus/menu message %u", message); break;
    }
  }
  return DefWindowProcA(window, message, wParam, lParam);
}
