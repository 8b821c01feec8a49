// The states of a first installation: 1 (the menu), 3 and 4 (the package
// copy), 7 (the record of the installation) and 9 (the package list and the
// master list).
#include <cstdio>
#include <string>

#include "foundation/intrusive_list.h"
#include "foundation/language_catalogue.h"
#include "foundation/print_format.h"
#include "foundation/runtime.h"
#include "foundation/translated_format.h"
#include "gui/frame_pump.h"
#include "gui/gui_string_gadget.h"
#include "launcher/flow.h"
#include "launcher/install_record.h"
#include "launcher/installation.h"
#include "launcher/launcher_globals.h"
#include "launcher/message_boxes.h"
#include "launcher/registry_info.h"
#include "launcher/screen_file_copy.h"
#include "launcher/screen_install.h"
#include "launcher/screen_splash.h"
#include "launcher/shortcuts.h"
#include "launcher/zindle_window.h"
#include "platform/filesystem.h"
#include "update/download_queue.h"
#include "update/download_window.h"
#include "update/file_list.h"
#include "update/list_callbacks.h"
#include "update/stale_work_files.h"
#include "update/update_globals.h"

void ShowMenuWork(ZindleWindow* window) {
  window->ShowOnly(window->SplashWin);
  window->Redraw();
  SetState(window, StateIdle);
  if (RegInfo->Installed) {
    if (window->InstallWin && window->InstallWin->DirectoryField)
      window->InstallWin->DirectoryField->Set(RegInfo->Directory);
    if (AutomaticUpdateAndLaunch) SetState(window, StateFetchTerms);
  }
}

namespace {

// A copy failure: the progress screen goes, transfers stop, and the warning
// ends the program when acknowledged.
void StopInstallation(ZindleWindow* window, const char* text) {
  window->FileCopyWin->Disable();
  SetState(window, StateIdle);
  if (window->DownloadWin) window->DownloadWin->Downloads.SetPaused(true);
  MarkProgramFailure();
  ShowZindleWarningBox(text, kWarningEndsProgram);
}

// Whether the package's files fit on the disk of the installation; when they
// do not, one warning with both figures, and nothing is started (the next
// start checks again).
bool PackageFitsOnDisk(ZindleWindow* window) {
  const long long needed = PackageBytesToCopy(ZindleList, InstallFileList, RegInfo->Directory);
  const long long free = PlatFreeDiskBytes(RegInfo->Directory);
  if (free < 0 || needed <= free) return true;
  constexpr long long kMB = 1024 * 1024;
  char text[600];
  SNPrintF(text, sizeof text,
           GetFormatString("There is not enough disk space to install Quorvel Online in %s: %d MB are needed and "
                           "%d MB are free. Please free some space and start the installation again."),
           RegInfo->Directory, static_cast<int>((needed + kMB - 1) / kMB), static_cast<int>(free / kMB));
  StopInstallation(window, text);
  return false;
}

}  // namespace

void StartCopyWork(ZindleWindow* window) {
  if (!ShortInstall && !PackageFitsOnDisk(window)) return;
  window->ShowOnly(window->FileCopyWin);
  window->FileCopyWin->Reset(0);
  window->FileCopyWin->FilesTotal = ListLength(ZindleList);
  CancelInstall = 0;
  if (window->DownloadWin) window->DownloadWin->Downloads.Status = kDownloadWindowIdle;
  SetState(window, ShortInstall ? StateFinishInstall : StateCopyFiles);
}

void CopyFilesWork(ZindleWindow* window) {
  PackageCopyHooks hooks;
  hooks.held = [window] { return PauseInstall || window->CurrentDialog; };
  hooks.cancelled = [] { return CancelInstall != 0; };
  hooks.pump = [](bool force) { force ? CheckRedraw(1, 0) : PumpDuringLongWork(); };
  hooks.finishedFile = [window](const char* path) { window->FileCopyWin->FinishedFile(path, 1); };
  // The file is verified against the list's digest before it is kept, as
  // every other download is.
  hooks.queueDownload = [window](const ZindleFileListEntry& e) {
    if (DownloadWindow* dw = EnsureDownloadWindow(window))
      dw->Downloads.AddNewDownload(e.name, nullptr, CopyArgText(e.name), 1, e.digest, FreeArgText);
  };
  const PackageCopyResult result = CopyInstallPackage(ZindleList, InstallFileList, RegInfo->Directory, hooks);
  char text[600];
  switch (result.outcome) {
    case PackageCopyOutcome::kWriteFailed:
      std::snprintf(text, sizeof text,
                    "Error writing file %s, you could be out of disk space or the file is currently in use.",
                    result.failedPath.c_str());
      StopInstallation(window, text);
      return;
    case PackageCopyOutcome::kInstallFailed:
      SNPrintF(text, sizeof text,
               GetFormatString("Error installing file %s, either in use or write protected. Please ensure you have "
                               "permission to write to this file and have enough disk space to continue installation."),
               result.failedPath.c_str());
      StopInstallation(window, text);
      return;
    case PackageCopyOutcome::kCancelled:
    case PackageCopyOutcome::kFinished: break;
  }
  SetState(window, CancelInstall ? StateIdle : StateInstallDownloads);
}

void FinishInstallWork(ZindleWindow* window) {
  WriteInstallationDirectory(RegInfo->Directory);
  CreateShortcuts(*StartMenuShortcuts, RegInfo->Directory, StartMenuShortcutFolder());
  CreateShortcuts(*DesktopShortcuts, RegInfo->Directory, DesktopShortcutFolder());
  CreateUninstallationInfoKeys();
  // The menu now offers Launch: the game is installed.
  RegInfo->Installed = 1;
  window->ShowOnly(window->SplashWin);
  window->Redraw();
  SetState(window, StateLaunch);
}

void BeginInstallWork(ZindleWindow* window) {
  if (!LoopedAtLeastOnce && window->InstallWin && window->InstallWin->DirectoryField)
    std::snprintf(RegInfo->Directory, sizeof RegInfo->Directory, "%s", window->InstallWin->DirectoryField->Text());
  NormalizeInstallDirectory(RegInfo->Directory, sizeof RegInfo->Directory);
  ReadInstallPackageList(IgnoreQuorvelFiles);
  if (DownloadWindow* dw = EnsureDownloadWindow(window)) dw->Downloads.SetDestinationDir(RegInfo->Directory);
  RecomputeSucceedFileNames();
  NewMasterList = 0;
  if (!LoopedAtLeastOnce) SweepListWorkFiles(RegInfo->Directory, {masterlistname, updatedlistname, tosname});
  QueueList(window, masterlistname, MasterListIsNew);
  SetState(window, StateWaitInstallLists);
}
