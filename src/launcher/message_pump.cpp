#include "launcher/message_pump.h"

#include "foundation/runtime.h"
#include "launcher/launcher_globals.h"

void DoVeryOften() {
  for (;;) {
    while (PeekMessageA(&CurrentMSG, hMainWindow, 0, 0, PM_REMOVE)) {
      TranslateMessage(&CurrentMSG);
      DispatchMessageA(&CurrentMSG);
    }
    if (!ProgramNeedsToSleep) return;
    WaitMessage();
  }
}
