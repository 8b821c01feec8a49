// publish: turning a game directory into the tree a web server serves at the
// launcher's base address: master.lst (every file, its digest and kind),
// updated.lst (what changed since the newest previous release, with binary
// patches from every older version given), the files under their list names,
// patches/ and tos.txt. The whole tree is built beside the release directory
// and renamed into place, so a failed publish leaves the old tree as it was.
#pragma once

#include <string>
#include <vector>

struct PublishOptions {
  std::string gameDir;
  std::string releaseDir;
  // Earlier published releases, newest first: updated.lst is made against
  // the first; patches are made from the versions of a file in all of them.
  std::vector<std::string> previous;
  std::string rulesFile;  // kinds (kind_rules.h); empty: every file R
  std::string tosFile;    // served as tos.txt; empty: the game's own, if any
  // The launcher and its skin, carried unless the game directory has its own.
  bool withLauncher = true;
  std::string launcherPath;  // quorvel.exe
  std::string assetsDir;     // holds zindimgs/ (with txtr.ctl), backgrnd/ and the *.CAT catalogues
  // A patch is offered only when it is smaller than this share of the file.
  int patchThresholdPercent = 50;
  int threads = 0;  // 0: one per core
  // Names that no Windows player can install are published with a warning
  // instead of refused.
  bool linuxOnly = false;
};

struct PublishSummary {
  long long files = 0;         // entries of master.lst
  long long bytes = 0;         // their total size
  long long updatedFiles = 0;  // file entries of updated.lst
  long long patches = 0;
  long long patchBytes = 0;
  long long bytesSaved = 0;  // file sizes less patch sizes, over the patches offered
  double seconds = 0;
  std::vector<std::string> warnings;
};

// False with a one-line reason; nothing is then left under releaseDir that
// was not there before.
bool PublishRelease(const PublishOptions& options, PublishSummary* summary, std::string* error);
