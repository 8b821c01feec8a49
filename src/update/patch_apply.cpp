#include "update/patch_apply.h"

#include <cstdint>
#include <cstring>
#include <string>

#include "foundation/intrusive_list.h"
#include "platform/file_mode.h"
#include "platform/filesystem.h"
#include "platform/link_guard.h"
#include "platform/mapped_file.h"
#include "transport/md5.h"
#include "update/download_window.h"
#include "update/file_list.h"
#include "update/file_list_parser.h"
#include "update/patch_decoder.h"

namespace {

// The room ApplyDiffs2 gets beyond the result size.
constexpr size_t kOutputSlack = 1024;

bool HasDigest(const std::string& path, const unsigned char digest[16]) {
  unsigned char got[16];
  return GetMD5(path.c_str(), got) && std::memcmp(got, digest, 16) == 0;
}

bool EndsWithExe(const std::string& name) {
  if (name.size() < 4) return false;
  std::string tail = name.substr(name.size() - 4);
  for (char& c : tail) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  return tail == ".exe";
}

// The whole, verified fetch that replaces a patch that could not be used.
// Unconditional (a conditional request could be answered "not modified" and
// leave a deleted target missing), and checked against the list's digest
// before it replaces anything.
void QueueWholeFile(DownloadWindow* window, const QueuedPatch& patch) {
  if (!IsSafeListName(patch.targetName) || PlatPathCrossesLink(window->Downloads.DestinationDir, patch.targetName))
    return;
  window->Downloads.AddNewDownload(patch.targetName, nullptr, CopyArgText(patch.targetName), 1, patch.fileDigest,
                                   FreeArgText);
}

// Decodes patch against old into a new file at target. Returns the decoded
// length, or -1 when the stream is bad or the output could not be made.
long long DecodeInto(const PlatMappedFile& old, const PlatMappedFile& patch, const std::string& target,
                     long long resultSize, bool* written) {
  *written = false;
  // The output is one view: a size the address space cannot hold is refused.
  if (resultSize < 0 || static_cast<unsigned long long>(resultSize) > SIZE_MAX - kOutputSlack) return -1;
  const size_t capacity = static_cast<size_t>(resultSize) + kOutputSlack;
  PlatMappedOutput out;
  if (!out.Create(target, capacity)) return -1;
  long long length = -1;
  ApplyDiffs2(old.data(), patch.data(), static_cast<long long>(old.size()), static_cast<long long>(patch.size()),
              length, out.data(), capacity);
  // Only a result of the expected length is kept; anything else leaves an
  // empty file that the caller removes.
  *written = out.Finish(length == resultSize ? static_cast<size_t>(length) : 0) && length == resultSize;
  return length;
}

}  // namespace

QueuedPatch* NewQueuedPatch(const ZindlePatchEntry& entry, const unsigned char fileDigest[16]) {
  QueuedPatch* patch = new QueuedPatch;
  std::memcpy(patch->patchName, entry.patchName, sizeof patch->patchName);
  std::memcpy(patch->targetName, entry.targetName, sizeof patch->targetName);
  patch->patchName[kListNameSize - 1] = patch->targetName[kListNameSize - 1] = 0;
  std::memcpy(patch->fileDigest, fileDigest, sizeof patch->fileDigest);
  return patch;
}

void FreeQueuedPatch(void* patch) { delete static_cast<QueuedPatch*>(patch); }

bool RecoverPatchBackup(const char* path, const unsigned char expectedDigest[16]) {
  const std::string target = path;
  const std::string backup = target + ".tmp";
  if (!PlatFileExists(backup) || PlatIsDirectory(backup)) return false;
  if (PlatFileExists(target) && HasDigest(target, expectedDigest)) {
    PlatRemoveFile(backup);
  } else {
    PlatRemoveFile(target);
    PlatRenameFile(backup, target);
  }
  return true;
}

void ApplyPatch(DownloadWindow* window, void* data) {
  if (!window || !data) return;
  const QueuedPatch& queued = *static_cast<const QueuedPatch*>(data);
  if (!IsSafeListName(queued.patchName) || !IsSafeListName(queued.targetName)) return;
  const std::string dir = window->Downloads.DestinationDir;
  if (PlatPathCrossesLink(dir, queued.patchName) || PlatPathCrossesLink(dir, queued.targetName)) return;
  const std::string patchPath = dir + queued.patchName;

  // The entry of this patch whose target is the file it was made from.
  ZindlePatchEntry* entry = nullptr;
  for (ZindlePatchEntry* p = PatchList; p && !entry; p = p->next) {
    if (std::strcmp(p->patchName, queued.patchName) != 0 || !IsSafeListName(p->targetName)) continue;
    if (PlatPathCrossesLink(dir, p->targetName) || PlatIsSymbolicLink(dir + p->targetName)) continue;
    if (HasDigest(dir + p->targetName, p->sourceDigest)) entry = p;
  }
  // None (the target changed, or the list was freed by an earlier
  // failure): the target is fetched whole, and the patch is of no use.
  if (!entry) {
    PlatRemoveFile(patchPath);
    QueueWholeFile(window, queued);
    return;
  }
  QueuedPatch fallback = queued;
  std::memcpy(fallback.targetName, entry->targetName, sizeof fallback.targetName);
  const std::string target = dir + entry->targetName;
  const std::string backup = target + ".tmp";
  const long long resultSize = entry->resultSize;
  unsigned char resultDigest[16];
  std::memcpy(resultDigest, entry->resultDigest, sizeof resultDigest);

  // Counted as failed until the result's digest is confirmed.
  bool succeeded = false;
  PlatMappedFile old, patch;
  if (old.Open(target)) {
    if (patch.Open(patchPath)) {
      PlatRemoveFile(patchPath);  // the mapping keeps its contents
      // The previous file moves aside and the result is decoded in its
      // place; a result of the wrong length is not kept, and the previous
      // file comes back so that the digest check below decides as for an
      // unchanged target.
      // A previous file that cannot be moved aside stays as it is.
      bool written = false;
      const bool movedAside = PlatRenameFile(target, backup);
      if (movedAside) {
        DecodeInto(old, patch, target, resultSize, &written);
        if (!written) {
          PlatRemoveFile(target);
          PlatRenameFile(backup, target);
        }
      }
      patch.Close();
      old.Close();
      // Only a result with the right digest replaces the previous file.
      if (movedAside) {
        if (HasDigest(target, resultDigest)) {
          PlatRemoveFile(backup);
          if (EndsWithExe(target)) PlatMakeExecutable(target);
          succeeded = true;
        } else {
          PlatRemoveFile(target);
          PlatRenameFile(backup, target);
        }
      }
    }
  }
  if (succeeded) return;
  // A failed patch: patching stays off for this run; the target is fetched whole.
  PatchesEnabled = 0;
  QueueWholeFile(window, fallback);
  WipeList(PatchList);
}
