#include "update/list_callbacks.h"

#include "foundation/intrusive_list.h"
#include "foundation/language_catalogue.h"
#include "gui/frame_pump.h"
#include "gui/gui_object.h"
#include "platform/filesystem.h"
#include "transport/file.h"
#include "update/download_window.h"
#include "update/file_list.h"
#include "update/update_globals.h"
#include "update/update_host.h"
#include "update/verification.h"

namespace {

constexpr char kMasterSucceedText[] = "Master list verification succeeded.";
constexpr char kUpdatedSucceedText[] = "Updated list verification succeed.";
// Handed to every transfer; kept by the transfer, never sent.
constexpr char kBuiltInCredential[] = "qtrv:lanternfish";

const char* ListName(void* data, const char* fallback) { return data ? static_cast<const char*>(data) : fallback; }

}  // namespace

DownloadWindow* MakeFileDownload() {
  if (!UpdateHostWindow) return nullptr;
  UpdateHost* host = UpdateHostWindow;
  DownloadWindow* window = new DownloadWindow(host->HostObject(), host->ServerUrl(), host->DownloadTexture(),
                                              kBuiltInCredential, host->InstallDirectory(), nullptr);
  host->SetDownloadWindow(window);
  window->Downloads.SetSecondsToWaitForDownloadRetry(0);
  window->BringToFront();
  return window;
}

void MasterListIsNew(DownloadWindow* window, void* data) {
  NewMasterList = 1;
  WipeList(ZindleList);
  PlatRemoveFile(MasterSucceedFilename);
  PlatRemoveFile(UpdatedSucceedFilename);
  ReadFileList(ListName(data, masterlistname), FileRequired | FileOnDemand, &ZindleList,
               window ? window->Downloads.DestinationDir : nullptr, IgnoreQuorvelFiles, 0);
}

void UpdatedListIsNew(DownloadWindow* window, void* data) {
  if (!window) return;
  const char* name = ListName(data, updatedlistname);
  // The updated list is read (merged into a new master list), and the old
  // check of it no longer holds.
  PlatRemoveFile(UpdatedSucceedFilename);
  if (NewMasterList) {
    ZindleFileListEntry* updated = nullptr;
    ReadFileList(name, kUpdateCheckKinds, &updated, window->Downloads.DestinationDir, IgnoreQuorvelFiles, 0);
    IntegrateFilesLists(ZindleList, updated);
    WipeList(updated);
  } else {
    WipeList(ZindleList);
    ReadFileList(name, kUpdateCheckKinds, &ZindleList, window->Downloads.DestinationDir, IgnoreQuorvelFiles, 0);
  }
  // The installer works on ZindleList itself.
  if (UpdateHostWindow && UpdateHostWindow->TakeInstallListWait()) return;
  // The progress screen counts the files to check.
  if (UpdateHostWindow) UpdateHostWindow->SetCheckTotal(ListLength(ZindleList));
  if (ZindleNoUpdateFlag) return;
  // Busy: queued transfers wait until the pass is over.
  window->Downloads.Status = kDownloadWindowBusy;
  window->Disable();
  Need_Redraw = 1;
  CheckRedraw(1, 0);
  // The digest pass queues what is missing or different.
  GUIWatch alive(window);
  ChecksumFilesAndAddZindleEntriesToDownloadQueue(window, ZindleList, kUpdateCheckKinds, nullptr, nullptr,
                                                  FinishedFileWithChecksumCount, AddAFileToDownload);
  WipeList(ZindleList);
  // Nothing to fetch: the bar is full.
  if (TotalDownloads == 0 && UpdateHostWindow) UpdateHostWindow->SetProgressPercent(100);
  // The pass pumps the window, which may have gone meanwhile.
  if (!alive) return;
  window->Downloads.Status = kDownloadWindowIdle;
  window->Enable();
}

namespace {

// Opens, writes and closes one succeed file; false when any step failed (a
// file whose bytes never reach the disk is as unwritten as one that did not
// open).
bool WriteSucceedFile(const char* path, const char* text, unsigned length) {
  OutputFile file;
  bool ok = file.Open(path, 0) && file.Write(text, 1, length) == length;
  if (!file.Close()) ok = false;
  return ok;
}

}  // namespace

void WriteSucceedFiles() {
  int failures = 0;
  if (!WriteSucceedFile(MasterSucceedFilename, kMasterSucceedText, sizeof kMasterSucceedText - 1)) ++failures;
  if (!WriteSucceedFile(UpdatedSucceedFilename, kUpdatedSucceedText, sizeof kUpdatedSucceedText - 1)) ++failures;
  if (failures && UpdateHostWindow)
    UpdateHostWindow->ShowWarning(
        GetString("Error Attempting to write succeed file succeed.txt, this file is very small, please ensure your "
                  "drive is not full and the files succeed1.txt and succeed2.txt are not open by other "
                  "applications."),
        kSucceedWarningClosedMessage);
}
