#include "launcher/win_main.h"

#include <cstring>
#include <vector>

#include "foundation/fail.h"
#include "foundation/log.h"
#include "foundation/runtime.h"
#include "launcher/command_line.h"
#include "launcher/language_dat.h"
#include "launcher/main_window.h"
#include "launcher/window_proc.h"

int WinMain(void* instance, void* prevInstance, const char* commandLine, int showFlag) {
  SetMainWindowVars();
  (void)instance;
  (void)prevInstance;
  (void)showFlag;

  std::vector<char> buffer(commandLine ? commandLine : "",
                           (commandLine ? commandLine : "") + std::strlen(commandLine ? commandLine : "") + 1);
  char* argv[kMaxArguments + 1];
  int argc = SplitCommandLine(buffer.data(), argv);
  if (argc < 0) {
    MarkProgramFailure();
    MessageBoxA(nullptr, "too many arguments on the command line", nullptr, MB_OK);
    return 1;
  }

  ReadLanguageDat();

  if (!PlatInitVideo() || !RegisterWindowClass(kMainWindowClassName, OurWindowProc, CS_DBLCLKS)) {
    MarkProgramFailure();
    return 0;
  }
  MakeTheMainWindow();

  Inside_SetJMP = 1;
  try {
    RunAllInitializers();
    RealMain(argc, argv);
  } catch (const ProgramExit&) {
    // A fatal stop or the closing of the window: continue at the shutdown.
  }
  Inside_SetJMP = 0;
  Log("callin exit functions");
  CallAllExitFunctions();
  return 1;
}
