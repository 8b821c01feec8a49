// The update engine's global state: the list names, the file lists and the
// patch entries of this run. Defined in update_globals.cpp with their
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

// Frees the lists and returns every global above to its load-time value.
void ResetUpdateGlobals();
