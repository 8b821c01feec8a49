// package: an installation package made from a published release, the
// folder a player unpacks and starts the launcher from. It holds "files.ins"
// (a file list of everything in the package), the installed files of the
// release (kinds R and C) under their list names, the launcher quorvel.exe
// and its skin (zindimgs/ with txtr.ctl, backgrnd/, the *.CAT catalogues).
// Every file copied from the release is checked against its listed digest.
#pragma once

#include <string>

struct PackageOptions {
  std::string releaseDir;
  std::string packageDir;
  // quorvel.exe to carry instead of the release's own (or, when the release
  // has none, the one beside quorvel-tool).
  std::string launcherPath;
  std::string defaultLauncherPath;
  std::string assetsDir;  // the skin when the release carries none
  std::string tarFile;    // also written as a gzip-compressed tar archive; empty: none
};

struct PackageSummary {
  long long files = 0;  // entries of files.ins
  long long bytes = 0;
};

// Built beside packageDir and renamed into place; an existing packageDir
// must be empty or a package. False with a one-line reason.
bool BuildPackage(const PackageOptions& options, PackageSummary* summary, std::string* error);
