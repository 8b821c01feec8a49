// The launcher's global state: the flow's, the window message handlers, the
// message being dispatched, and the main window's size, place and style.
// Defined in launcher_globals.cpp with their load-time values;
// ResetLauncherGlobals puts them back (test fixtures call it).
#pragma once

#include "foundation/array_collection.h"
#include "platform/window.h"
#include "update/update_globals.h"

class ZindleWindow;
struct ShortcutInfoStruct;

constexpr int kPathBufferSize = 260;
constexpr int kLanguageIdSize = 32;

// The main window, null until RealMain builds it.
extern ZindleWindow* MainWin;

extern const char* tosname;        // "tos.txt"
extern const char* installtosdir;  // last resort for the temporary directory
// Where "tos.txt" is fetched to: a directory followed by tosname.
extern char installtoslocation[kInstallPathSize];
// The working directory at start.
extern char ZindleDir[kPathBufferSize];

extern int AutomaticUpdateAndLaunch;      // "-a"
extern unsigned char DoNotLaunchQuorvel;  // "-a", "-d": end without starting the game
extern unsigned char Uninstalling;        // "-u"
extern unsigned char ShortInstall;        // "-s": no copy, download or file deletion
extern unsigned char GrabbedNewFiles;     // a list was fetched anew in this pass
extern unsigned char LoopedAtLeastOnce;   // the second pass has begun
extern unsigned char AlreadyGrabbedTos;   // the Terms were fetched in this run
extern int downloaded;                    // a report arrived since the last retry question
extern unsigned char PauseInstall, CancelInstall, PauseUninstall;
// When set, the loop's next pump handles pending messages without sleeping.
extern unsigned char DoNotWaitForMessage;
// A failed transfer's retry question that could not be asked because another
// box was up (the download window stays paused meanwhile), and the message
// its No sends; asked by the state loop once that box is gone. Empty when
// none is waiting.
constexpr int kRetryQuestionSize = 300;
extern char PendingRetryQuestion[kRetryQuestionSize];
extern int PendingRetryNoMessage;
// The chosen language; its catalogue is ZindleLanguageID + ".CAT".
extern char ZindleLanguageID[kLanguageIdSize];

// The shortcuts created on installation and removed on uninstallation.
extern ArrayCollection<ShortcutInfoStruct>* DesktopShortcuts;
extern ArrayCollection<ShortcutInfoStruct>* StartMenuShortcuts;

// The next entry to delete during uninstallation (an InstallFileList entry).
struct ZindleFileListEntry;
extern ZindleFileListEntry* listindexptr;

typedef int (*WindozeMessageHandler)(unsigned message, unsigned long wParam, long lParam);

constexpr int kMaxMessageHandlers = 10;

// Registered handlers and the window each one is for; a free slot is null.
extern WindozeMessageHandler MessageHandlers[kMaxMessageHandlers];
extern HWND WindowForMessageHandlers[kMaxMessageHandlers];
// The message the pump is dispatching.
extern MSG CurrentMSG;
extern const char* IconResourceName;
// The client area the launcher asks for.
constexpr int kDefaultCustomWinWidth = 720;
constexpr int kDefaultCustomWinHeight = 505;
extern int CustomWinWidth, CustomWinHeight;
// The framed main window, as SetMainWindowVars computes it.
extern int MainWindowWidth, MainWindowHeight, MainWindowLeft, MainWindowTop;
extern unsigned long MainWindowStyle;

void ResetLauncherGlobals();
