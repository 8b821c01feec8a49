#include "foundation/log.h"
#include "foundation/runtime.h"
#include "launcher/os.h"

// The launcher's main routine. It keeps the window alive and pumps its
// messages until the window is closed, which ends the program through
// OSSaysExitProgram.
int RealMain(int argc, char** argv) {
  (void)argc;
  (void)argv;
  LogEnabled = 0;
  SetMainWindowVars();
  for (;;) {
    ProgramNeedsToSleep = 1;
    DoVeryOften();
  }
}
