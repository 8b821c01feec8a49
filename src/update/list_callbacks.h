// The update check's entry points around the download window: building the
// window, the completion callbacks of the two file lists, and the succeed
// files that record a finished check.
//
// Succeed files, written in binary without a line end; only their existence
// is ever tested:
//   succeed1.txt  "Master list verification succeeded."  (35 bytes)
//   succeed2.txt  "Updated list verification succeed."   (34 bytes)
#pragma once

#include "update/connection_messages.h"

class DownloadWindow;

// Closing message of the succeed-file warning.
constexpr int kSucceedWarningClosedMessage = kConnectionWarningClosed;

// Creates the download window as a child of the host window with the
// server's address, the credential handed to every transfer and the
// installation directory; stores it in the host, sets the retry wait to 0 and
// brings it to the front. Null (and nothing done) without a host window.
DownloadWindow* MakeFileDownload();

// Completion of "master.lst" (data: the list's name as queued, a text):
// NewMasterList = 1, ZindleList emptied, both succeed files deleted, the list
// read into ZindleList (kinds 5).
void MasterListIsNew(DownloadWindow* window, void* data);

// Completion of "updated.lst", also called directly by the flow: merges the
// updated list into ZindleList (or reads it alone when the master list was
// not read in this pass), then, unless the installation waits for its lists
// or the check is not needed, runs the digest pass with the window busy,
// empties ZindleList and lets the queued transfers run.
void UpdatedListIsNew(DownloadWindow* window, void* data);

// Writes both succeed files; when either cannot be written, one warning.
void WriteSucceedFiles();
