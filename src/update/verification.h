// The digest pass of an update check: every listed file of the kinds asked
// for is hashed and, when missing or different, queued in the download window
// whole or as a patch; on-demand files that differ are deleted.
//
// Which files are fetched, by kind (mask 0x25 of an update check):
//   FileRequired         present and equal: nothing; different: patch or
//                        whole file; missing: whole file
//   FileUpdateIfPresent  different: patch or whole file; missing: nothing
//   FileOnDemand         different: deleted; missing: nothing
//   FileCreateOnce       checked only by a pass with mask exactly 0x10
//   FileListedOnly       never checked
#pragma once

#include "update/download_queue.h"
#include "update/file_list_entry.h"

class DownloadWindow;

// Kinds an update check verifies: FileRequired, FileOnDemand, FileUpdateIfPresent.
constexpr unsigned char kUpdateCheckKinds = 0x25;

// Message to the download window's parent when an on-demand file that
// differs cannot be deleted: (128, errno, 0, text, path).
constexpr int kOnDemandNotRemovedMessage = 128;

// The digest pass over list with the window's destination directory.
// completion (may be null) is the callback of a whole download of a changed
// file, whose argument is the file's name; completionData is not used.
// perFile runs with every entry's name, checked or not; queued runs for every
// file queued. The window is kept alive: pending messages are handled and the
// screen redrawn at most every 4 ticks, also while one large file is hashed.
// A backup left by an interrupted patch is settled first (see
// RecoverPatchBackup). Entries whose names could reach outside the
// installation directory are passed over.
void ChecksumFilesAndAddZindleEntriesToDownloadQueue(DownloadWindow* window, ZindleFileListEntry* list,
                                                     unsigned char kindMask, DownloadCallback completion,
                                                     void* completionData, void (*perFile)(const char* name),
                                                     void (*queued)());

// The perFile function of an update: one entry checked on the progress
// screen. Nothing without a host window.
void FinishedFileWithChecksumCount(const char* name);
// The queued function of an update: TotalDownloads + 1.
void AddAFileToDownload();

// The MD5 digest of a file read through the file layer, as GetMD5 gives it,
// with the window kept alive while a large file is read. Returns 1 and fills
// digest, or 0 when the file cannot be opened.
int DigestFileKeepingWindowAlive(const char* path, unsigned char digest[16]);
