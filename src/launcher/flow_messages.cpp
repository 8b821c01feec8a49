// The main window's handlers that move the flow: Launch, Install, the created
// directory, the uninstall answer, the Terms accepted, the retry question,
// the critical-files warning and the download report.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "foundation/fail.h"
#include "foundation/intrusive_list.h"
#include "foundation/language_catalogue.h"
#include "foundation/print_format.h"
#include "foundation/runtime.h"
#include "foundation/translated_format.h"
#include "foundation/ui_trace.h"
#include "gui/gui_string_gadget.h"
#include "launcher/flow.h"
#include "launcher/installation.h"
#include "launcher/launcher_globals.h"
#include "launcher/launcher_messages.h"
#include "launcher/launcher_skin.h"
#include "launcher/message_boxes.h"
#include "launcher/registry_info.h"
#include "launcher/screen_file_copy.h"
#include "launcher/screen_install.h"
#include "launcher/screen_splash.h"
#include "launcher/screen_tos.h"
#include "launcher/zindle_window.h"
#include "platform/directory_maintenance.h"
#include "platform/filesystem.h"
#include "transport/download_support.h"
#include "transport/file.h"
#include "update/download_queue.h"
#include "update/download_window.h"
#include "update/file_list.h"
#include "update/list_callbacks.h"
#include "update/update_globals.h"

namespace {

void DeleteSucceedFiles() {
  PlatRemoveFile(MasterSucceedFilename);
  PlatRemoveFile(UpdatedSucceedFilename);
}

bool CanOpen(const char* path) {
  File file;
  return file.Open(path, 0) != 0;
}

// Where "tos.txt" of a first installation goes: the temporary folder of the
// environment, else installtosdir; "" when it cannot be written.
std::string TermsDirectory() {
  std::string dir;
  for (const char* variable : {"TMPDIR", "TEMP", "TMP"}) {
    const char* value = std::getenv(variable);
    if (value && *value) {
      dir = value;
      break;
    }
  }
  if (dir.empty()) dir = installtosdir;
  if (!PlatIsWritableDirectory(dir)) return "";
  if (dir.back() != '/' && dir.back() != '\\') dir += kPathSeparator;
  return dir;
}

// The Terms screen loads the fetched file; on success it replaces the menu.
void LoadTerms(ZindleWindow* window, bool withPath) {
  AlreadyGrabbedTos = 1;
  if (window->TOSWin && window->TOSWin->ReadTOS(installtoslocation)) {
    window->SplashWin->Disable();
    window->TOSWin->Enable();
    return;
  }
  if (withPath) {
    char text[280];
    SNPrintF(text, sizeof text, GetFormatString("Error reading Terms of Service located at %s"), installtoslocation);
    ShowZindleWarningBox(text, kWarningClosesBox);
  } else {
    ShowZindleWarningBox(GetString("Error reading Terms of Service"), kWarningClosesBox);
  }
}

void RereadMasterList(ZindleWindow* window) {
  NewMasterList = 1;
  WipeList(ZindleList);
  DeleteSucceedFiles();
  const char* dir = window->DownloadWin ? window->DownloadWin->Downloads.DestinationDir : RegInfo->Directory;
  // A list the server called unchanged but that is gone locally reads as empty.
  if (PlatFileExists(std::string(dir) + masterlistname))
    ReadFileList(masterlistname, 5, &ZindleList, dir, IgnoreQuorvelFiles, 0);
}

}  // namespace

void ZindleWindow::OnLaunch() {
  IgnoreQuorvelFiles = 1;
  RecomputeSucceedFileNames();
  if (FullFileVerify) DeleteSucceedFiles();
  SetState(this, StateFetchTerms);
}

void ZindleWindow::OnInstall() {
  EnsureDownloadWindow(this);
  const std::string dir = TermsDirectory();
  if (dir.empty()) {
    ShowZindleWarningBox(GetString("Could not find a temp directory to download tos.txt to"), kWarningClosesBox);
    SetState(this, StateIdle);
    return;
  }
  if (DownloadWin) DownloadWin->Downloads.SetDestinationDir(dir.c_str());
  std::snprintf(installtoslocation, sizeof installtoslocation, "%s%s", dir.c_str(), tosname);
  AlreadyGrabbedTos = 0;
  if (DownloadWin) DownloadWin->Downloads.AddNewDownload(tosname, nullptr, nullptr, 0, nullptr);
  SetState(this, StateWaitTermsForInstall);
}

void ZindleWindow::OnCreateDirectoryYes() {
  CurrentDialog = nullptr;
  if (InstallWin && InstallWin->DirectoryField)
    std::snprintf(RegInfo->Directory, sizeof RegInfo->Directory, "%s", InstallWin->DirectoryField->Text());
  NormalizeInstallDirectory(RegInfo->Directory, sizeof RegInfo->Directory);
  MakeDirLevels(RegInfo->Directory);
  if (PlatIsWritableDirectory(RegInfo->Directory)) {
    ShowOnly(FileCopyWin);
    Redraw();
    SetState(this, StateBeginInstall);
  } else {
    ShowZindleWarningBox(GetString("Could not create directory, check directory attributes or select a different "
                                   "directory to install to."),
                         kWarningClosesBox);
  }
}

void ZindleWindow::OnUninstallYes() {
  CurrentDialog = nullptr;
  SetState(this, StateBeginUninstall);
}

void ZindleWindow::OnUninstallNo() {
  CurrentDialog = nullptr;
  Fail(nullptr);
}

void ZindleWindow::OnTermsAgree() {
  IgnoreQuorvelFiles = 1;
  TOSWin->Disable();
  if (RegInfo->Installed) {
    FileCopyWin->Enable();
    SetState(this, StateBeginUpdate);
  } else {
    InstallWin->Enable();
    SetState(this, StateIdle);
  }
  Redraw();
}

void ZindleWindow::OnRetryYes() {
  PendingRetryQuestion[0] = 0;
  if (DownloadWin && DownloadWin->Downloads.Queue) {
    // The player asked for it: the files go again at once, as if new.
    for (DownloadFileQueueEntry* e = DownloadWin->Downloads.Queue; e; e = e->next) {
      e->RetryCountdown = 0;
      e->Tried = 0;
    }
  } else {
    NewMasterList = 0;
    QueueList(this, updatedlistname, UpdatedListIsNew);
    QueueList(this, masterlistname, MasterListIsNew);
  }
  Redraw();
  LayoutChildren();
  CurrentDialog = nullptr;
  if (DownloadWin) DownloadWin->Downloads.SetPaused(false);
}

void ZindleWindow::OnRetryNo() {
  PendingRetryQuestion[0] = 0;
  if (DownloadWin) {
    DownloadWindow* dw = DownloadWin;
    DownloadWin = nullptr;
    dw->DeleteFromParentsChildren();
    delete dw;
  }
  CurrentDialog = nullptr;
  CancelInstall = 1;
  PauseInstall = 0;
  WipeList(ZindleList);
  FileCopyWin->Disable();
  FileCopyWin->Redraw();
  SplashWin->Enable();
  SplashWin->LayoutChildren();
  Redraw();
  SetState(this, StateIdle);
}

void ZindleWindow::OnCriticalFilesMissing() {
  PendingRetryQuestion[0] = 0;
  if (DownloadWin) DownloadWin->Downloads.CancelAll();
  SetState(this, StateIdle);
  FileCopyWin->Disable();
  SplashWin->Enable();
  SplashWin->LayoutChildren();
  FileCopyWin->Reset(0);
  if (DownloadWin) DownloadWin->Downloads.SetPaused(true);
  CurrentDialog = nullptr;
  MarkProgramFailure();
  ShowZindleWarningBox(GetString("Critical files were not downloaded, update must complete for successful game "
                                 "update."),
                       kWarningEndsProgram);
}

void ZindleWindow::OnDownloadReport(int status, const char* errorText, const char* fileName) {
  const char* f = fileName ? fileName : "";
  downloaded = 1;

  if (status != kReportFailed) {
    if (State == StateCopyFiles || State == StateInstallDownloads) {
      FileCopyWin->FinishedFile((std::string(RegInfo->Directory) + f).c_str(), 1);
    } else if (State == StateUpdating && DoneChecksumming && TotalDownloads) {
      ++FinishedDownloads;
      FileCopyWin->Percent = static_cast<unsigned char>(50 + 50 * FinishedDownloads / TotalDownloads);
      FileCopyWin->FinishedFile(f, 0);
    }
  }

  const bool isMaster = std::strcmp(f, masterlistname) == 0;
  const bool isUpdated = std::strcmp(f, updatedlistname) == 0;
  const bool isTerms = std::strcmp(f, tosname) == 0;

  if (status == kReportFetched && State != StateInstallDownloads) {
    if (isUpdated) GrabbedNewFiles = 1;
    if (isMaster) {
      GrabbedNewFiles = 1;
      QueueList(this, updatedlistname, UpdatedListIsNew);
    }
    if (isTerms && State != StateCopyFiles) {
      LoadTerms(this, false);
      SetState(this, StateIdle);
    }
  } else if (status == kReportUnchanged && State != StateInstallDownloads) {
    if (isMaster) {
      if (State == StateWaitInstallLists) {
        if (LoopedAtLeastOnce) SetState(this, StateFinishInstall);
        else RereadMasterList(this);
      } else if (!CanOpen(MasterSucceedFilename)) {
        RereadMasterList(this);
      }
      QueueList(this, updatedlistname, UpdatedListIsNew);
    } else if (isUpdated) {
      if (NewMasterList) UpdatedListIsNew(DownloadWin, const_cast<char*>(updatedlistname));
      else if (CanOpen(UpdatedSucceedFilename)) ZindleNoUpdateFlag = 1;
      else UpdatedListIsNew(DownloadWin, const_cast<char*>(updatedlistname));
    } else if (isTerms && State != StateCopyFiles) {
      LoadTerms(this, true);
    }
  } else if (status == kReportFailed) {
    char question[300];
    if (errorText && *errorText) SNPrintF(question, sizeof question, GetFormatString("%s Try again?"), errorText);
    else
      SNPrintF(question, sizeof question, GetFormatString("File transfer failed while downloading %s. Try again?"), f);
    const int no = isMaster || isUpdated ? MsgRetryNo : MsgCriticalFilesMissing;
    if (!CurrentDialog) {
      GUISimpleDialogBox* box = ShowZindleQuestion(question, MarbleDarkBGTexture, MsgRetryYes, no);
      CurrentDialog = box;
    } else if (!PendingRetryQuestion[0]) {
      // Another box is up: the window stays paused below, so the question
      // waits until that box is gone; unasked, the update would wait forever.
      std::snprintf(PendingRetryQuestion, sizeof PendingRetryQuestion, "%s", question);
      PendingRetryNoMessage = no;
    }
    downloaded = 0;
    Redraw();
    if (CurrentDialog) CurrentDialog->BringToFront();
    if (DownloadWin) DownloadWin->Downloads.SetPaused(true);
    return;
  }
  if (status == kReportFetched || status == kReportUnchanged) {
    Redraw();
    LayoutChildren();
  }
}
