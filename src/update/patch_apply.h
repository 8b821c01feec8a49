// Applying a downloaded binary patch to the installed file it was made for,
// and what a queued patch download keeps so that its completion never needs
// the patch list (which a failed patch frees while other patch downloads are
// still queued).
//
// The old file and the patch are mapped read-only and the result is decoded
// into a mapped output file, so patching a file of any size holds none of
// the three in heap memory. The old file is kept as target + ".tmp" until the
// result's digest is confirmed.
#pragma once

#include "update/file_list_entry.h"

class DownloadWindow;

// The callback argument of a patch download. patchName comes first, so the
// argument also reads as the patch's name.
struct QueuedPatch {
  char patchName[kListNameSize];
  char targetName[kListNameSize];
  // The digest the list gives the target: a whole fetch after a failure is
  // verified against it.
  unsigned char fileDigest[16];
};

// A new argument for a patch download of entry (freed with FreeQueuedPatch).
QueuedPatch* NewQueuedPatch(const ZindlePatchEntry& entry, const unsigned char fileDigest[16]);
void FreeQueuedPatch(void* patch);

// The completion callback of a patch download (data: its QueuedPatch).
// Looks for a patch entry named data whose target has the source digest,
// decodes it against the target and verifies the result. Any failure restores
// the previous file when the result had the right length (deletes the target
// when it had not), turns patching off (PatchesEnabled = 0), frees PatchList
// and queues the target for a whole, verified fetch. Names that could reach
// outside the installation directory are never used.
void ApplyPatch(DownloadWindow* window, void* data);

// An interrupted ApplyPatch leaves path + ".tmp" behind (the previous file).
// When path has the digest the list expects, the backup is removed;
// otherwise the backup is put back in place of path. Returns true when there
// was a backup.
bool RecoverPatchBackup(const char* path, const unsigned char expectedDigest[16]);
