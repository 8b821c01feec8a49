#include "launcher/flow.h"

#include <cstdio>

#include "foundation/fail.h"
#include "foundation/program_clock.h"
#include "foundation/ui_trace.h"
#include "gui/frame_pump.h"
#include "launcher/launcher_globals.h"
#include "launcher/registry_info.h"
#include "launcher/zindle_window.h"
#include "update/download_queue.h"
#include "update/download_window.h"
#include "update/list_callbacks.h"
#include "update/update_globals.h"

namespace {
int traced_state = -1;
}  // namespace

const char* LauncherStateName(int state) {
  switch (state) {
    case StateShowMenu: return "StateShowMenu";
    case StateIdle: return "StateIdle";
    case StateStartCopy: return "StateStartCopy";
    case StateCopyFiles: return "StateCopyFiles";
    case StateFetchTerms: return "StateFetchTerms";
    case StateUpdating: return "StateUpdating";
    case StateFinishInstall: return "StateFinishInstall";
    case StateWaitInstallLists: return "StateWaitInstallLists";
    case StateBeginInstall: return "StateBeginInstall";
    case StateInstallDownloads: return "StateInstallDownloads";
    case StateLaunch: return "StateLaunch";
    case StateBeginUninstall: return "StateBeginUninstall";
    case StateUninstalling: return "StateUninstalling";
    case StateUnused14: return "StateUnused14";
    case StateUnused15: return "StateUnused15";
    case StateBeginUpdate: return "StateBeginUpdate";
    case StateWaitTermsForInstall: return "StateWaitTermsForInstall";
    default: return "";
  }
}

void TraceStateChange(ZindleWindow* window) {
  if (!window || window->State == traced_state) return;
  traced_state = window->State;
  TraceState(window->State, LauncherStateName(window->State));
}

void SetState(ZindleWindow* window, LauncherState state) {
  window->State = state;
  TraceStateChange(window);
}

void ResetStateTrace() { traced_state = -1; }

void RecomputeSucceedFileNames() {
  std::snprintf(MasterSucceedFilename, sizeof MasterSucceedFilename, "%ssucceed1.txt", RegInfo->Directory);
  std::snprintf(UpdatedSucceedFilename, sizeof UpdatedSucceedFilename, "%ssucceed2.txt", RegInfo->Directory);
}

DownloadWindow* EnsureDownloadWindow(ZindleWindow* window) {
  if (!window->DownloadWin) MakeFileDownload();
  return window->DownloadWin;
}

void QueueList(ZindleWindow* window, const char* name, void (*callback)(DownloadWindow*, void*)) {
  if (DownloadWindow* dw = EnsureDownloadWindow(window))
    dw->Downloads.AddNewDownload(name, callback, CopyArgText(name), 0, nullptr, FreeArgText);
}

bool DoStateWork(ZindleWindow* window) {
  TraceStateChange(window);
  AskPendingRetryQuestion(window);
  switch (window->State) {
    case StateShowMenu: ShowMenuWork(window); break;
    case StateStartCopy: StartCopyWork(window); break;
    case StateCopyFiles: CopyFilesWork(window); break;
    case StateFetchTerms: FetchTermsWork(window); break;
    case StateUpdating: UpdatingWork(window); break;
    case StateFinishInstall: FinishInstallWork(window); break;
    case StateBeginInstall: BeginInstallWork(window); break;
    case StateInstallDownloads: InstallDownloadsWork(window); break;
    case StateLaunch: LaunchWork(window); return false;
    case StateBeginUninstall: BeginUninstallWork(window); break;
    case StateUninstalling: UninstallingWork(window); break;
    case StateBeginUpdate: BeginUpdateWork(window); break;
    default: break;  // 2, 8, 14, 15, 17: waiting
  }
  TraceStateChange(window);
  return true;
}

void RunStateLoop(ZindleWindow* window) {
  // The first frame is drawn at once: an unforced pass would wait out the
  // 4-tick gap (62.5 ms) before the player saw the window's contents.
  CheckRedraw(1, 1);
  for (;;) {
    CheckRedraw(0, DoNotWaitForMessage);
    DoNotWaitForMessage = 0;
    const int before = window->State;
    if (!DoStateWork(window)) break;
    // A state that handed over to another with work to do goes on at once
    // instead of sleeping until the next message or tick.
    if (window->State != before) DoNotWaitForMessage = 1;
  }
  Fail(nullptr);
}
