// The update engine's file lists: reading list files into entry lists,
// merging the updated list into the master list, and the patch entries read
// along the way.
#pragma once

#include "update/file_list_entry.h"
#include "update/update_globals.h"

// The lists and list names are in update_globals.h.

// Reads the list file dir + listName (plain concatenation; dir ends with a
// separator, null means listName alone) as a RequiredFile: a missing list
// ends the program with the file layer's message.
//
// Lines are read with FGets into 256 bytes. Reading stops at the end of the
// file or at a line that comes back empty. A line longer than 255 characters
// is skipped whole (its tail is not taken for a line of its own).
// - "p" lines: parsed and put at the head of PatchList while PatchesEnabled
//   is set, skipped otherwise.
// - Other lines: unless readAll is set, a kindFilter of exactly 0x10 admits
//   only C and D lines (others are not even parsed); any other filter admits
//   all. Lines that do not parse are skipped.
// - Unless readAll is set, with dropExistingCreateOnce set a C entry whose
//   file dir + name exists is dropped.
// Admitted entries are put at the head of *list, so the list holds them in
// reverse file order in front of what it held before.
void ReadFileList(const char* listName, unsigned char kindFilter, ZindleFileListEntry** list, const char* dir,
                  unsigned char dropExistingCreateOnce, unsigned char readAll);

// Merges updated into master: an updated entry whose name (exact, case
// sensitive) is in master gives that master entry its flags and digest; an
// updated entry with a new name is copied to the head of master. Linear in
// both lists: a hash map of master's names (43 buckets for short lists, one
// per name for long ones), newest first within a bucket. Among equal names in
// master the one last in list order (nearest the top of its file) is the one
// changed; among equal names in updated the one last in list order wins.
// updated is left as it was and stays the caller's.
void IntegrateFilesLists(ZindleFileListEntry*& master, ZindleFileListEntry* updated);

// The first entry of PatchList whose sourceDigest equals digest, or null.
ZindlePatchEntry* GetMatchingPatch(const unsigned char digest[16]);
