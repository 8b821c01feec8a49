#include "launcher/launcher_globals.h"

#include <cstring>

#include "launcher/shortcuts.h"

ZindleWindow* MainWin = nullptr;

const char* tosname = "tos.txt";
const char* installtosdir = "/tmp/";
char installtoslocation[kInstallPathSize];
char ZindleDir[kPathBufferSize];

int AutomaticUpdateAndLaunch = 0;
unsigned char DoNotLaunchQuorvel = 0;
unsigned char Uninstalling = 0;
unsigned char ShortInstall = 0;
unsigned char GrabbedNewFiles = 0;
unsigned char LoopedAtLeastOnce = 0;
unsigned char AlreadyGrabbedTos = 0;
int downloaded = 0;
unsigned char PauseInstall = 0, CancelInstall = 0, PauseUninstall = 0;
unsigned char DoNotWaitForMessage = 0;
char PendingRetryQuestion[kRetryQuestionSize];
int PendingRetryNoMessage = 0;
char ZindleLanguageID[kLanguageIdSize];

namespace {
ArrayCollection<ShortcutInfoStruct> desktop_shortcuts, start_menu_shortcuts;
}  // namespace

ArrayCollection<ShortcutInfoStruct>* DesktopShortcuts = &desktop_shortcuts;
ArrayCollection<ShortcutInfoStruct>* StartMenuShortcuts = &start_menu_shortcuts;
ZindleFileListEntry* listindexptr = nullptr;

WindozeMessageHandler MessageHandlers[kMaxMessageHandlers];
HWND WindowForMessageHandlers[kMaxMessageHandlers];
MSG CurrentMSG;
const char* IconResourceName = "zindle";
int CustomWinWidth = kDefaultCustomWinWidth, CustomWinHeight = kDefaultCustomWinHeight;
int MainWindowWidth, MainWindowHeight, MainWindowLeft, MainWindowTop;
unsigned long MainWindowStyle;

void ResetLauncherGlobals() {
  MainWin = nullptr;
  tosname = "tos.txt";
  installtosdir = "/tmp/";
  std::memset(installtoslocation, 0, sizeof installtoslocation);
  std::memset(ZindleDir, 0, sizeof ZindleDir);
  AutomaticUpdateAndLaunch = 0;
  DoNotLaunchQuorvel = Uninstalling = ShortInstall = 0;
  GrabbedNewFiles = LoopedAtLeastOnce = AlreadyGrabbedTos = 0;
  downloaded = 0;
  PauseInstall = CancelInstall = PauseUninstall = 0;
  DoNotWaitForMessage = 0;
  std::memset(PendingRetryQuestion, 0, sizeof PendingRetryQuestion);
  PendingRetryNoMessage = 0;
  std::memset(ZindleLanguageID, 0, sizeof ZindleLanguageID);
  FreeShortcuts(*DesktopShortcuts);
  FreeShortcuts(*StartMenuShortcuts);
  listindexptr = nullptr;
  for (int i = 0; i < kMaxMessageHandlers; ++i) {
    MessageHandlers[i] = nullptr;
    WindowForMessageHandlers[i] = nullptr;
  }
  CurrentMSG = MSG{};
  IconResourceName = "zindle";
  CustomWinWidth = kDefaultCustomWinWidth;
  CustomWinHeight = kDefaultCustomWinHeight;
  MainWindowWidth = MainWindowHeight = MainWindowLeft = MainWindowTop = 0;
  MainWindowStyle = 0;
}
