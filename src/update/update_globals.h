// The update engine's global state: the list names, the file lists and the
// patch entries, the counters and flags of the update check of this run. Defined in update_globals.cpp with their
// load-time values; ResetUpdateGlobals puts them back.
#pragma once

#include "update/file_list_entry.h"

// The lists known by name.
extern const char* masterlistname;   // "master.lst": the full list
extern const char* updatedlistname;  // "updated.lst": the changes since the master list
extern const char* installfname;     // "files.ins": the files of an installation package

// Every patch entry read so far in this run, newest first.
extern ZindlePatchEntry* PatchList;
// 1 at start; while 0, patch lines are skipped and no patch is used.
extern unsigned char PatchesEnabled;
// The working list of the update check, and the installer's list.
extern ZindleFileListEntry* ZindleList;
extern ZindleFileListEntry* InstallFileList;
// Passed to ReadFileList as dropExistingCreateOnce by the update check.
extern unsigned char IgnoreQuorvelFiles;

// The master list was (re)read into ZindleList in this pass.
extern unsigned char NewMasterList;
// The updated list needs no check: UpdatedListIsNew skips the digest pass.
extern int ZindleNoUpdateFlag;
// 0 while a digest pass runs, 1 once it has ended.
extern unsigned char DoneChecksumming;
// The "Scan All Files" box: while set no patch is chosen.
extern int FullFileVerify;
// Transfers queued by digest passes in this run, and those reported
// finished; never reset during a run.
extern unsigned long TotalDownloads;
extern unsigned long FinishedDownloads;
// Room for a path in the installation directory: the directory (up to 2047
// characters) and a short file name after it. A path cut short would name a
// file elsewhere, perhaps beside the installation directory.
constexpr int kInstallPathSize = 2048 + 32;
// Paths of the succeed files (installation directory + "succeed1.txt" and
// "succeed2.txt"; the bare names at load).
extern char MasterSucceedFilename[kInstallPathSize];
extern char UpdatedSucceedFilename[kInstallPathSize];

// Frees the lists and returns every global above (and the host window,
// update_host.h) to its load-time value.
void ResetUpdateGlobals();
