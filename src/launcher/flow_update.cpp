// The states of an update (5, 6, 16), the download state of a first
// installation (10), and the retry question both ask.
#include <cstdio>

#include "foundation/language_catalogue.h"
#include "foundation/print_format.h"
#include "foundation/translated_format.h"
#include "launcher/flow.h"
#include "launcher/install_record.h"
#include "launcher/launcher_globals.h"
#include "launcher/launcher_messages.h"
#include "launcher/launcher_skin.h"
#include "launcher/message_boxes.h"
#include "launcher/registry_info.h"
#include "launcher/screen_file_copy.h"
#include "launcher/zindle_window.h"
#include "update/download_queue.h"
#include "update/download_window.h"
#include "update/file_list.h"
#include "update/list_callbacks.h"
#include "update/stale_work_files.h"
#include "update/update_globals.h"

void AskRetryQuestion(ZindleWindow* window, const char* fileName) {
  char text[300];
  SNPrintF(text, sizeof text, GetFormatString("One or more files failed to download (%s). Try again?"), fileName);
  GUISimpleDialogBox* box = ShowZindleQuestion(text, MarbleDarkBGTexture, MsgRetryYes, MsgRetryNo);
  window->CurrentDialog = box;
  if (box) box->BringToFront();
}

void AskPendingRetryQuestion(ZindleWindow* window) {
  if (!PendingRetryQuestion[0] || window->CurrentDialog) return;
  char text[kRetryQuestionSize];
  std::snprintf(text, sizeof text, "%s", PendingRetryQuestion);
  PendingRetryQuestion[0] = 0;
  // Nothing is held up any more (the transfers were given up or resumed).
  if (!window->DownloadWin || !window->DownloadWin->Downloads.Paused()) return;
  GUISimpleDialogBox* box = ShowZindleQuestion(text, MarbleDarkBGTexture, MsgRetryYes, PendingRetryNoMessage);
  window->CurrentDialog = box;
  if (box) box->BringToFront();
}

void FetchTermsWork(ZindleWindow* window) {
  DownloadWindow* dw = EnsureDownloadWindow(window);
  if (dw) dw->Downloads.SetDestinationDir(RegInfo->Directory);
  SweepListWorkFiles(RegInfo->Directory, {masterlistname, updatedlistname, tosname});
  std::snprintf(installtoslocation, sizeof installtoslocation, "%s%s", RegInfo->Directory, tosname);
  if (dw) dw->Downloads.AddNewDownload(tosname, nullptr, nullptr, 0, nullptr);
  SetState(window, StateIdle);
  CreateUninstallationInfoKeys();
}

namespace {

// States 6 and 10: when the queue has emptied with no dialog up, the succeed
// files are written and the flow ends or runs its one second pass; while a
// queued file waits out a retry delay, the player is asked.
void WaitForDownloads(ZindleWindow* window, LauncherState end, LauncherState secondPass) {
  DownloadWindow* dw = window->DownloadWin;
  if (!window->CurrentDialog && (!dw || !dw->Downloads.Pending())) {
    WriteSucceedFiles();
    if (!GrabbedNewFiles || LoopedAtLeastOnce) {
      SetState(window, end);
    } else {
      GrabbedNewFiles = 0;
      LoopedAtLeastOnce = 1;
      SetState(window, secondPass);
    }
    return;
  }
  if (downloaded && !window->CurrentDialog && dw && dw->Downloads.Queue && dw->Downloads.Queue->RetryCountdown > 0)
    AskRetryQuestion(window, dw->Downloads.Queue->Name);
  // While waiting for reports the loop sleeps in the pump, which wakes for the
  // transfer's socket and the GUI tick, so nothing is gained by spinning.
}

}  // namespace

void UpdatingWork(ZindleWindow* window) { WaitForDownloads(window, StateLaunch, StateBeginUpdate); }

void InstallDownloadsWork(ZindleWindow* window) {
  if (PauseInstall) return;
  if (window->DownloadWin) window->DownloadWin->HandleTimerTick();
  WaitForDownloads(window, StateFinishInstall, StateBeginInstall);
}

void BeginUpdateWork(ZindleWindow* window) {
  NewMasterList = 0;
  RecomputeSucceedFileNames();
  QueueList(window, masterlistname, MasterListIsNew);
  SetState(window, StateUpdating);
  window->ShowOnly(window->FileCopyWin);
  window->FileCopyWin->Reset(0);
}
