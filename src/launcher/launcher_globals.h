// The launcher flow's global state. Defined in launcher_globals.cpp with their
// load-time values; ResetLauncherGlobals puts them back (test fixtures call
// it).
#pragma once

#include "foundation/array_collection.h"

class ZindleWindow;
struct ShortcutInfoStruct;

constexpr int kPathBufferSize = 260;
constexpr int kLanguageIdSize = 32;

// The main window, null until RealMain builds it.
extern ZindleWindow* MainWin;

extern const char* tosname;       // "tos.txt"
extern const char* installtosdir;  // last resort for the temporary directory
// Where "tos.txt" is fetched to: a directory followed by tosname.
extern char installtoslocation[kPathBufferSize];
// The working directory at start.
extern char ZindleDir[kPathBufferSize];

extern int AutomaticUpdateAndLaunch;       // "-a"
extern unsigned char DoNotLaunchQuorvel;   // "-a", "-d": end without starting the game
extern unsigned char Uninstalling;         // "-u"
extern unsigned char ShortInstall;         // "-s": no copy, download or file deletion
extern unsigned char GrabbedNewFiles;      // a list was fetched anew in this pass
extern unsigned char LoopedAtLeastOnce;    // the second pass has begun
extern unsigned char AlreadyGrabbedTos;    // the Terms were fetched in this run
extern int downloaded;                     // a report arrived since the last retry question
extern unsigned char PauseInstall, CancelInstall, PauseUninstall;
// When set, the loop's next pump handles pending messages without sleeping.
extern unsigned char DoNotWaitForMessage;
// The chosen language; its catalogue is ZindleLanguageID + ".CAT".
extern char ZindleLanguageID[kLanguageIdSize];

// The shortcuts created on installation and removed on uninstallation.
extern ArrayCollection<ShortcutInfoStruct>* DesktopShortcuts;
extern ArrayCollection<ShortcutInfoStruct>* StartMenuShortcuts;

// The next entry to delete during uninstallation (an InstallFileList entry).
struct ZindleFileListEntry;
extern ZindleFileListEntry* listindexptr;

void ResetLauncherGlobals();
