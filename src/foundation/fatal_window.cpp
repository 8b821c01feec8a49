// The fatal stop of a program with a window: the main window goes out of the
// way and the text is shown in a task-modal box in front of everything.
#include "foundation/runtime.h"
#include "platform/window.h"

namespace {
void HideMainWindow() {
  if (IsWindow(hMainWindow))
    SetWindowPos(hMainWindow, HWND_BOTTOM, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOACTIVATE | SWP_HIDEWINDOW | SWP_NOSENDCHANGING);
}

void ShowFatalBox(const char* text) { MessageBoxA(nullptr, text, nullptr, MB_TASKMODAL | MB_SETFOREGROUND); }

// Before main, so that a stop in an initialiser is shown too.
struct FatalWindowInstaller {
  FatalWindowInstaller() { SetFatalWindowHandling({HideMainWindow, ShowFatalBox}); }
} installer;
}  // namespace
