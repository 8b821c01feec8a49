#include "launcher/os.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "foundation/fail.h"
#include "foundation/log.h"
#include "foundation/runtime.h"

WindozeMessageHandler MessageHandlers[kMaxMessageHandlers];
HWND WindowForMessageHandlers[kMaxMessageHandlers];
MSG CurrentMSG;
const char* IconResourceName = "zindle";
int CustomWinWidth = 720, CustomWinHeight = 505;
int MainWindowWidth, MainWindowHeight, MainWindowLeft, MainWindowTop;
unsigned long MainWindowStyle;

namespace {
const char* kClassName = "GRT_SOME_CLASS";
}

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
      if (MessageHandlers[i] && WindowForMessageHandlers[i] == window)
        MessageHandlers[i](message, wParam, lParam);
  }
  if (window == hMainWindow) {
    switch (message) {
      case WM_DESTROY:
      case WM_QUIT:
        ProgramExiting = 1;
        OSSaysExitProgram();
      case WM_SETFOCUS:
      case WM_KILLFOCUS:
      case WM_MENUSELECT:
        DLog("focus/menu message %u", message);
        break;
    }
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

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

void SetMainWindowVars() {
  MainWindowWidth = CustomWinWidth + kWindowFrameWidth;
  MainWindowHeight = CustomWinHeight + kWindowFrameHeight;
  FixedWidth = MainWindowWidth;
  FixedHeight = MainWindowHeight + 3;
  MainWindowLeft = (GetSystemMetrics(SM_CXSCREEN) - MainWindowWidth) / 2;
  MainWindowTop = (GetSystemMetrics(SM_CYSCREEN) - MainWindowHeight) / 2;
  MainWindowStyle = 0x12CF0000UL;
  SetWindowPos(hMainWindow, nullptr, MainWindowLeft, MainWindowTop, MainWindowWidth, MainWindowHeight,
               SWP_NOSIZE | SWP_NOZORDER);
}

void MakeTheMainWindow() {
  if (hMainWindow) return;
  hMainWindow = CreateWindowExA(WS_EX_APPWINDOW, kClassName, ApplicationName, MainWindowStyle, MainWindowLeft,
                                MainWindowTop, MainWindowWidth, MainWindowHeight);
  if (!hMainWindow) {
    Log("Failed to make hmainwindow os Err=%d", PlatLastError());
    std::exit(0);
  }
}

void ReadLanguageDat() {
  std::strcpy(LanguageString, "English");
  LanguageTrack = 0;
  FILE* f = std::fopen("language.dat", "r");
  if (!f) return;
  // Whole lines, read as text: a carriage return (a file written on
  // Windows) is not part of the value, and a first line of exactly 19
  // characters does not push the number into a third read.
  auto readLine = [f](std::string* line) {
    line->clear();
    int c;
    while ((c = std::fgetc(f)) != EOF && c != '\n')
      if (c != '\r') line->push_back(char(c));
    return c != EOF || !line->empty();
  };
  std::string name, track;
  if (readLine(&name)) {
    std::snprintf(LanguageString, sizeof LanguageString, "%s", name.c_str());
    LanguageTrack = readLine(&track) ? std::atoi(track.substr(0, 9).c_str()) : 0;
  }
  std::fclose(f);
}

int SplitCommandLine(char* buffer, char** argv) {
  int argc = 1;
  argv[0] = nullptr;
  char* save = nullptr;
  for (char* token = strtok_r(buffer, " \t", &save); token; token = strtok_r(nullptr, " \t", &save)) {
    if (argc > kMaxArguments) return -1;
    argv[argc++] = token;
  }
  for (int i = argc; i <= kMaxArguments; ++i) argv[i] = nullptr;
  return argc;
}

int WinMain(void* instance, void* prevInstance, const char* commandLine, int showFlag) {
  SetMainWindowVars();
  (void)instance;
  (void)prevInstance;
  (void)showFlag;

  std::vector<char> buffer(commandLine ? commandLine : "", (commandLine ? commandLine : "") +
                                                              std::strlen(commandLine ? commandLine : "") + 1);
  char* argv[kMaxArguments + 1];
  int argc = SplitCommandLine(buffer.data(), argv);
  if (argc < 0) {
    MessageBoxA(nullptr, "too many arguments on the command line", nullptr, MB_OK);
    return 1;
  }

  ReadLanguageDat();

  if (!PlatInitVideo() || !RegisterWindowClass(kClassName, OurWindowProc, CS_DBLCLKS)) return 0;
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
