#include "launcher/installation.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <vector>

#include "foundation/intrusive_list.h"
#include "platform/file_mode.h"
#include "platform/filesystem.h"
#include "platform/link_guard.h"
#include "transport/download_support.h"
#include "transport/file.h"
#include "transport/md5.h"
#include "update/file_list.h"
#include "update/stale_work_files.h"

const char* InitialInstallDir = "Tellurant/Quorvel Online";

std::string NormalizedInstallDirectory(const std::string& directory) {
  std::string out = PlatNativePath(directory);
  if (out.empty()) return out;
  while (out.size() > 1 && out.back() == kPathSeparator && out[out.size() - 2] == kPathSeparator) out.pop_back();
  if (out.back() != kPathSeparator) out += kPathSeparator;
  return out;
}

void NormalizeInstallDirectory(char* directory, size_t size) {
  if (!directory || size < 2) return;
  std::string out = NormalizedInstallDirectory(directory);
  if (out.size() >= size) {
    // Cut the text, not the final separator.
    out.resize(size - 2);
    out = NormalizedInstallDirectory(out);
  }
  std::snprintf(directory, size, "%s", out.c_str());
}

void ReadInstallPackageList(unsigned char ignoreQuorvelFiles) {
  WipeList(InstallFileList);
  // ReadFileList treats a missing list as fatal, so absence is tested first.
  if (PlatFileExists(installfname)) {
    ReadFileList(installfname, 0, &InstallFileList, nullptr, ignoreQuorvelFiles, 1);
    return;
  }
  if (PlatFileExists(masterlistname)) ReadFileList(masterlistname, 0, &InstallFileList, nullptr, ignoreQuorvelFiles, 1);
  if (PlatFileExists(updatedlistname)) {
    ZindleFileListEntry* updated = nullptr;
    ReadFileList(updatedlistname, 0, &updated, nullptr, ignoreQuorvelFiles, 1);
    IntegrateFilesLists(InstallFileList, updated);
    WipeList(updated);
  }
}

namespace {

bool EndsWithExe(const std::string& path) {
  if (path.size() < 4) return false;
  const char* tail = path.c_str() + path.size() - 4;
  return tail[0] == '.' && std::tolower(static_cast<unsigned char>(tail[1])) == 'e' &&
         std::tolower(static_cast<unsigned char>(tail[2])) == 'x' &&
         std::tolower(static_cast<unsigned char>(tail[3])) == 'e';
}

const ZindleFileListEntry* PackageEntryWithDigest(const ZindleFileListEntry* package, const unsigned char* digest) {
  for (; package; package = package->next)
    if (std::memcmp(package->digest, digest, kMD5Size) == 0) return package;
  return nullptr;
}

bool InstalledWithDigest(const std::string& path, const unsigned char* digest) {
  unsigned char actual[kMD5Size];
  // A link in the file's place is not read through; the copy replaces it.
  return PlatFileExists(path) && !PlatIsSymbolicLink(path) && GetMD5(path.c_str(), actual) &&
         std::memcmp(actual, digest, kMD5Size) == 0;
}

}  // namespace

PackageFileCopy InstallPackageFile(const char* source, const std::string& path, const unsigned char* digest) {
  File in;
  if (!in.Open(source, 0)) return PackageFileCopy::kSourceMissing;
  const std::string staging = path + ".ins";
  OutputFile out;
  if (!out.Open(staging.c_str(), 0)) return PackageFileCopy::kInstallFailed;
  // The contents are digested as they are copied: the package's list says
  // only that the package holds the digest, not that the file of this name
  // has it (another name may carry it, or the file may be damaged).
  MD5Stream md5;
  std::vector<unsigned char> block(kPackageCopyBlockSize);
  bool complete = true;
  // Blocks of zeros are skipped over, so that a sparse file stays sparse;
  // the last byte is always written, which gives the file its length.
  long long hole = 0;
  for (;;) {
    const unsigned got = in.Read(block.data(), 1, kPackageCopyBlockSize);
    if (got == 0) break;
    md5.Add(block.data(), got);
    if (block[0] == 0 && std::memcmp(block.data(), block.data() + 1, got - 1) == 0) {
      hole += got;
      continue;
    }
    if ((hole && out.Seek(hole, SEEK_CUR) != 0) || out.Write(block.data(), 1, got) != got) {
      complete = false;
      break;
    }
    hole = 0;
  }
  const unsigned char zero = 0;
  if (complete && hole && (out.Seek(hole - 1, SEEK_CUR) != 0 || out.Write(&zero, 1, 1) != 1)) complete = false;
  in.Close();
  // Data still buffered when the disk filled up surfaces at close.
  if (!out.Close()) complete = false;
  bool matches = true;
  if (digest) {
    unsigned char actual[kMD5Size];
    md5.Finish(actual);
    matches = std::memcmp(actual, digest, kMD5Size) == 0;
  }
  if (!complete) {
    PlatRemoveFile(staging);
    return PackageFileCopy::kWriteFailed;
  }
  if (!matches) {
    PlatRemoveFile(staging);
    return PackageFileCopy::kSourceDiffers;
  }
  // The rename replaces an old copy in one step, so the old file stays until
  // the new one is complete.
  if (!PlatRenameFile(staging, path)) {
    PlatRemoveFile(staging);
    return PackageFileCopy::kInstallFailed;
  }
  if (EndsWithExe(path)) PlatMakeExecutable(path);
  return PackageFileCopy::kInstalled;
}

long long PackageBytesToCopy(ZindleFileListEntry* list, ZindleFileListEntry* package, const char* directory) {
  long long total = 0;
  for (ZindleFileListEntry* e = list; e; e = e->next) {
    if (e->flags == 0 || e->flags == FileListedOnly || !PackageEntryWithDigest(package, e->digest)) continue;
    if (PlatPathCrossesLink(directory, e->name)) continue;
    File source;
    if (!source.Open(e->name, 0)) continue;
    const long long length = source.FileLength();
    File installed;
    if (installed.Open(PlatNativePath(std::string(directory) + e->name).c_str(), 0) && installed.FileLength() == length)
      continue;
    if (length > 0) total += length;
  }
  return total;
}

PackageCopyResult CopyInstallPackage(ZindleFileListEntry* list, ZindleFileListEntry* package, const char* directory,
                                     const PackageCopyHooks& hooks) {
  PackageCopyResult result;
  StaleWorkFileSweeper sweeper;
  for (ZindleFileListEntry* e = list; e; e = e->next) {
    while (hooks.held && hooks.held()) {
      if (hooks.cancelled && hooks.cancelled()) break;
      if (hooks.pump) hooks.pump(true);
    }
    if (hooks.cancelled && hooks.cancelled()) {
      result.outcome = PackageCopyOutcome::kCancelled;
      return result;
    }
    if (e->flags == 0 || e->flags == FileListedOnly) continue;
    // A name through a linked folder would reach outside the installation.
    if (PlatPathCrossesLink(directory, e->name)) continue;
    const std::string path = PlatNativePath(std::string(directory) + e->name);
    MakeDirLevels(path.c_str());
    bool done = false;
    if (InstalledWithDigest(path, e->digest)) {
      done = true;
      sweeper.Sweep(path, false);
    } else if (PackageEntryWithDigest(package, e->digest)) {
      switch (InstallPackageFile(e->name, path, e->digest)) {
        case PackageFileCopy::kInstalled: done = true; break;
        case PackageFileCopy::kSourceMissing:
        case PackageFileCopy::kSourceDiffers: break;
        case PackageFileCopy::kWriteFailed:
          result.outcome = PackageCopyOutcome::kWriteFailed;
          result.failedPath = path + ".ins";
          return result;
        case PackageFileCopy::kInstallFailed:
          result.outcome = PackageCopyOutcome::kInstallFailed;
          result.failedPath = path;
          return result;
      }
    }
    if (!done) {
      if (e->flags == FileOnDemand || e->flags == FileUpdateIfPresent) done = true;
      else if (hooks.queueDownload) hooks.queueDownload(*e);
    }
    if (done && hooks.finishedFile) hooks.finishedFile(path.c_str());
    if (hooks.pump) hooks.pump(false);
  }
  return result;
}
