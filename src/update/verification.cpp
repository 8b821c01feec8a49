#include "update/verification.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "foundation/program_clock.h"
#include "foundation/translated_format.h"
#include "gui/frame_pump.h"
#include "gui/gui_message_handler.h"
#include "gui/gui_redraw.h"
#include "platform/filesystem.h"
#include "platform/link_guard.h"
#include "transport/file.h"
#include "transport/md5.h"
#include "update/download_window.h"
#include "update/file_list.h"
#include "update/file_list_parser.h"
#include "update/patch_apply.h"
#include "update/stale_work_files.h"
#include "update/update_globals.h"
#include "update/update_host.h"

namespace {

// Read size of the digest: large blocks keep the system calls few; the
// digest is the same whatever the block size.
constexpr unsigned kDigestBlock = 1u << 20;

bool IsCreateOnce(const ZindleFileListEntry* e) { return e->flags == FileCreateOnce; }

// A file that needs nothing needs none of its patches: a patch downloaded by
// an interrupted run (and its transfer's work files) goes.
void RemoveUnusedPatchDownloads(const std::string& dir, const char* target, StaleWorkFileSweeper* sweeper) {
  for (ZindlePatchEntry* p = PatchList; p; p = p->next) {
    if (std::strcmp(p->targetName, target) != 0 || !IsSafeListName(p->patchName) ||
        PlatPathCrossesLink(dir, p->patchName))
      continue;
    const std::string patchPath = dir + p->patchName;
    sweeper->Sweep(patchPath, false);
    if (PlatFileExists(patchPath) && !PlatIsDirectory(patchPath)) PlatRemoveFile(patchPath);
  }
}

}  // namespace

int DigestFileKeepingWindowAlive(const char* path, unsigned char digest[16]) {
  File file(path);
  if (!file.IsOpen()) return 0;
  // Compressed files are digested by their contents, as GetMD5 does it.
  if (file.compressed) {
    file.Close();
    return GetMD5(path, digest);
  }
  MD5Stream md5;
  static std::vector<unsigned char> block(kDigestBlock);
  for (;;) {
    unsigned got = file.Read(block.data(), 1, kDigestBlock);
    md5.Add(block.data(), got);
    if (got < kDigestBlock) break;
    PumpDuringLongWork();
  }
  md5.Finish(digest);
  return 1;
}

void ChecksumFilesAndAddZindleEntriesToDownloadQueue(DownloadWindow* window, ZindleFileListEntry* list,
                                                     unsigned char kindMask, DownloadCallback completion,
                                                     void* completionData, void (*perFile)(const char* name),
                                                     void (*queued)()) {
  (void)completionData;
  DoneChecksumming = 0;
  const std::string dir = window ? window->Downloads.DestinationDir : "";
  unsigned char digest[16];
  StaleWorkFileSweeper sweeper;
  for (ZindleFileListEntry* e = list; e; e = e->next) {
    // A name through a linked folder would reach outside the installation.
    if (window && (e->flags & kindMask) && IsSafeListName(e->name) && !PlatPathCrossesLink(dir, e->name)) {
      const std::string path = dir + e->name;
      RecoverPatchBackup(path.c_str(), e->digest);
      bool toFetch = true;
      // A link in the file's place is not read through: it counts as missing,
      // and the fetched file replaces the link.
      File probe;
      const bool opens = !PlatIsSymbolicLink(path) && probe.Open(path.c_str(), 0);
      probe.Close();
      if (opens) {
        const bool createOnce = IsCreateOnce(e), createOncePass = kindMask == FileCreateOnce;
        if (createOnce == createOncePass) {
          // A file that opened but cannot be read counts as different.
          const bool haveDigest = DigestFileKeepingWindowAlive(path.c_str(), digest) != 0;
          if (haveDigest && std::memcmp(digest, e->digest, 16) == 0) {
            toFetch = false;
          } else if (e->flags == FileOnDemand) {
            toFetch = false;
            if (!PlatRemoveFile(path)) {
              const int err = errno;
              char text[600];
              std::snprintf(text, sizeof text,
                            GetFormatString("Could not remove on-demand file %s while checksumming files, errno=%i"),
                            path.c_str(), err);
              if (window->Parent)
                window->Parent->HandleMessage(kOnDemandNotRemovedMessage, err, 0, text,
                                              const_cast<char*>(path.c_str()));
            }
          } else {
            if (queued) queued();
            ZindlePatchEntry* patch = haveDigest ? GetMatchingPatch(digest) : nullptr;
            if (PatchesEnabled && !FullFileVerify && patch && std::strcmp(patch->targetName, e->name) == 0 &&
                IsSafeListName(patch->patchName) && !PlatPathCrossesLink(dir, patch->patchName)) {
              sweeper.Sweep(dir + patch->patchName, true);
              window->Downloads.AddNewDownload(patch->patchName, ApplyPatch, NewQueuedPatch(*patch, e->digest), 1,
                                               nullptr, FreeQueuedPatch);
            } else {
              window->Downloads.AddNewDownload(e->name, completion, CopyArgText(e->name), 1, e->digest, FreeArgText);
            }
          }
        }
      } else if (!(e->flags & (FileOnDemand | FileUpdateIfPresent))) {
        if (queued) queued();
        window->Downloads.AddNewDownload(e->name, nullptr, nullptr, 1, e->digest);
      }
      sweeper.Sweep(path, toFetch);
      if (!toFetch) RemoveUnusedPatchDownloads(dir, e->name, &sweeper);
      PumpDuringLongWork();
    }
    if (perFile) perFile(e->name);
  }
  DoneChecksumming = 1;
}

void FinishedFileWithChecksumCount(const char* name) {
  if (UpdateHostWindow) UpdateHostWindow->FinishedChecking(name);
}

void AddAFileToDownload() { ++TotalDownloads; }
