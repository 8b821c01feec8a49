#include "launcher/main_window.h"

#include <cstdlib>

#include "foundation/log.h"
#include "foundation/program_globals.h"
#include "foundation/runtime.h"

const char* const kMainWindowClassName = "GRT_SOME_CLASS";

void SetMainWindowVars() {
  MainWindowWidth = CustomWinWidth + kWindowFrameWidth;
  MainWindowHeight = CustomWinHeight + kWindowFrameHeight;
  FixedWidth = MainWindowWidth;
  FixedHeight = MainWindowHeight + 3;
  MainWindowLeft = (GetSystemMetrics(SM_CXSCREEN) - MainWindowWidth) / 2;
  MainWindowTop = (GetSystemMetrics(SM_CYSCREEN) - MainWindowHeight) / 2;
  MainWindowStyle = kMainWindowStyle;
  SetWindowPos(hMainWindow, nullptr, MainWindowLeft, MainWindowTop, MainWindowWidth, MainWindowHeight,
               SWP_NOSIZE | SWP_NOZORDER);
}

void MakeTheMainWindow() {
  if (hMainWindow) return;
  hMainWindow = CreateWindowExA(WS_EX_APPWINDOW, kMainWindowClassName, ApplicationName, MainWindowStyle, MainWindowLeft,
                                MainWindowTop, MainWindowWidth, MainWindowHeight);
  if (!hMainWindow) {
    Log("Failed to make hmainwindow os Err=%d", PlatLastError());
    std::exit(0);
  }
}
