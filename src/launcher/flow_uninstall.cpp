// The states of an uninstallation: 12 (the installed lists) and 13 (files,
// shortcuts and keys).
#include <cstdio>

#include "foundation/intrusive_list.h"
#include "foundation/language_catalogue.h"
#include "foundation/print_format.h"
#include "foundation/translated_format.h"
#include "gui/frame_pump.h"
#include "launcher/flow.h"
#include "launcher/install_record.h"
#include "launcher/launcher_globals.h"
#include "launcher/message_boxes.h"
#include "launcher/registry_info.h"
#include "launcher/screen_file_copy.h"
#include "launcher/shortcuts.h"
#include "launcher/uninstallation.h"
#include "launcher/zindle_window.h"
#include "update/download_window.h"
#include "update/file_list.h"

namespace {
// Set when the installed lists were missing, so the files could not be
// found; the rest of the uninstallation still runs and says so at the end.
bool lists_missing = false;
}  // namespace

void BeginUninstallWork(ZindleWindow* window) {
  window->FileCopyWin->Reset(0);
  lists_missing = !ReadInstalledLists(RegInfo->Directory, IgnoreQuorvelFiles);
  const int entries = ListLength(InstallFileList);
  window->FileCopyWin->FilesTotal = entries;
  if (entries || lists_missing) {
    SetState(window, StateUninstalling);
    window->ShowOnly(window->FileCopyWin);
    window->Redraw();
    listindexptr = InstallFileList;
    return;
  }
  SetState(window, StateIdle);
  ShowZindleWarningBox(GetString("Error reading file: files.lst"), kWarningClosesBox);
}

void UninstallingWork(ZindleWindow* window) {
  if (!ShortInstall) {
    UninstallHooks hooks;
    hooks.held = [] { return PauseUninstall != 0; };
    // "Cancel Uninstall?" answered Yes has left this state (the menu is back)
    // while the deletion waited: it stops there, and the shortcuts and the
    // record of an installation that is partly still there stay.
    hooks.cancelled = [window] { return window->State != StateUninstalling; };
    hooks.pump = [](bool force) { force ? CheckRedraw(1, 0) : PumpDuringLongWork(); };
    hooks.finishedFile = [window](const char* path) { window->FileCopyWin->FinishedFile(path, 1); };
    if (!DeleteInstalledFiles(listindexptr, RegInfo->Directory, hooks)) {
      PauseUninstall = 0;
      listindexptr = nullptr;
      return;
    }
  }
  listindexptr = nullptr;
  DeleteShortcuts(*StartMenuShortcuts, RegInfo->Directory, StartMenuShortcutFolder());
  RemoveStartMenuFolders();
  DeleteShortcuts(*DesktopShortcuts, RegInfo->Directory, DesktopShortcutFolder());
  RemoveInstallationRecord();
  RecomputeSucceedFileNames();
  Uninstalling = 0;
  if (window->DownloadWin) window->DownloadWin->Downloads.SetPaused(true);
  char text[400];
  SNPrintF(text, sizeof text, GetFormatString("Quorvel Online has been successfully uninstalled. %s"),
           lists_missing ? GetString("Some user files could not be removed.") : "");
  ShowZindleWarningBox(text, kWarningEndsProgram);
  window->Redraw();
  SetState(window, StateIdle);
}
