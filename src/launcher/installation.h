// The installer's work on files: the installation directory's form, the
// package list of a first installation, and copying the package's files into
// the installation directory.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

struct ZindleFileListEntry;

// Below the program-files folder: the default installation directory.
extern const char* InitialInstallDir;

// Every "\" and "/" becomes the platform separator and the text ends in
// exactly one separator (a run of final separators becomes one). An empty
// text stays empty. The result is cut to fit size.
void NormalizeInstallDirectory(char* directory, size_t size);
std::string NormalizedInstallDirectory(const std::string& directory);

// The installation package's list, read from the working directory into
// InstallFileList (emptied first): "files.ins" when it exists, otherwise
// "master.lst" merged with "updated.lst" when those exist. Lists the reader
// refuses contribute nothing.
void ReadInstallPackageList(unsigned char ignoreQuorvelFiles);

// What the package copy needs from the flow, so the copy runs with or without
// a window.
struct PackageCopyHooks {
  std::function<bool()> held;       // pause or a dialog: wait before the next entry
  std::function<bool()> cancelled;  // the player cancelled: stop before the next entry
  std::function<void(bool force)> pump;
  std::function<void(const char* path)> finishedFile;                   // one more file done
  std::function<void(const ZindleFileListEntry& entry)> queueDownload;  // not in the package
};

enum class PackageCopyOutcome {
  kFinished,
  kCancelled,
  kWriteFailed,    // a block did not reach the ".ins" file; failedPath is that file
  kInstallFailed,  // the ".ins" file could not be made or moved into place; failedPath is the target
};

struct PackageCopyResult {
  PackageCopyOutcome outcome = PackageCopyOutcome::kFinished;
  std::string failedPath;
};

// The bytes the package copy will write into directory: the package's file
// of every entry that CopyInstallPackage would copy, less those already in
// place with the same length.
long long PackageBytesToCopy(ZindleFileListEntry* list, ZindleFileListEntry* package, const char* directory);

// The package copy of a first installation, for every entry of list in order:
// files already installed with the listed digest count as done; files the
// package holds (an entry of package with the same digest, the file named like
// the entry in the working directory) are copied through path + ".ins" in
// 65536-byte blocks and renamed into place; files the package lacks are queued
// for download, except on-demand and update-if-present files, which count as
// done. A package file whose contents do not have the listed digest is not
// installed but queued like a missing one. Stops at the first failure;
// nothing is left half written.
PackageCopyResult CopyInstallPackage(ZindleFileListEntry* list, ZindleFileListEntry* package, const char* directory,
                                     const PackageCopyHooks& hooks);

enum class PackageFileCopy { kInstalled, kSourceMissing, kSourceDiffers, kWriteFailed, kInstallFailed };
// One file: source (relative to the working directory) into path via path +
// ".ins". A ".exe" is made executable. With a digest, a copy whose contents
// do not have it is thrown away (kSourceDiffers) and path is left as it was.
PackageFileCopy InstallPackageFile(const char* source, const std::string& path, const unsigned char* digest = nullptr);

constexpr size_t kPackageCopyBlockSize = 65536;
