#include "launcher/uninstallation.h"

#include <cctype>
#include <cstring>

#include "foundation/intrusive_list.h"
#include "platform/directory_maintenance.h"
#include "platform/filesystem.h"
#include "platform/link_guard.h"
#include "transport/file.h"
#include "update/file_list.h"
#include "update/stale_work_files.h"

namespace {

// ReadFileList treats a list it cannot open as fatal, so that is tested
// first: a list that is there but is no file, or cannot be read, counts as
// missing.
bool ListOpens(const std::string& path) {
  if (!PlatFileExists(path) || PlatIsDirectory(path)) return false;
  File probe;
  const bool opens = probe.Open(path.c_str(), 0) != 0;
  probe.Close();
  return opens;
}

}  // namespace

bool ReadInstalledLists(const char* directory, unsigned char ignoreQuorvelFiles) {
  WipeList(InstallFileList);
  const std::string dir = directory ? directory : "";
  if (!ListOpens(dir + masterlistname)) return false;
  ReadFileList(masterlistname, 0, &InstallFileList, dir.c_str(), ignoreQuorvelFiles, 0);
  if (ListOpens(dir + updatedlistname)) {
    ZindleFileListEntry* updated = nullptr;
    ReadFileList(updatedlistname, 0, &updated, dir.c_str(), ignoreQuorvelFiles, 0);
    IntegrateFilesLists(InstallFileList, updated);
    WipeList(updated);
  }
  return true;
}

bool IsPlayerFile(const char* name) {
  static const char kKept[] = "decks";
  const size_t n = std::strlen(name);
  for (size_t i = 0; i + 5 <= n; ++i) {
    size_t k = 0;
    while (k < 5 && std::tolower(static_cast<unsigned char>(name[i + k])) == kKept[k]) ++k;
    if (k == 5) return true;
  }
  return false;
}

namespace {

// Removes the folders above path that are now empty, from the innermost out,
// stopping at the first that is not and never going above root.
void RemoveEmptiedFolders(std::string path, const std::string& root) {
  std::string top = root;
  while (!top.empty() && top.back() == kPathSeparator) top.pop_back();
  for (;;) {
    const size_t cut = path.find_last_of(kPathSeparator);
    if (cut == std::string::npos) return;
    path.resize(cut);
    if (path.size() < top.size() || path.compare(0, top.size(), top) != 0) return;
    if (!PlatRemoveEmptyDirectory(path)) return;
    if (path.size() == top.size()) return;
  }
}

// The launcher itself: the installation counts as installed only while it
// is there, and the uninstall entry starts it.
bool IsLauncherFile(const char* name) { return std::strcmp(name, "quorvel.exe") == 0; }

}  // namespace

bool DeleteInstalledFiles(ZindleFileListEntry* first, const char* directory, const UninstallHooks& hooks) {
  const std::string root = PlatNativePath(directory ? directory : "");
  StaleWorkFileSweeper sweeper;
  // The launcher goes last, so an uninstallation cut short can be started
  // again from the uninstall entry and finish.
  for (int launcherPass = 0; launcherPass < 2; ++launcherPass) {
    for (ZindleFileListEntry* e = first; e; e = e->next) {
      while (hooks.held && hooks.held()) {
        if (hooks.cancelled && hooks.cancelled()) break;
        if (hooks.pump) hooks.pump(true);
      }
      if (hooks.cancelled && hooks.cancelled()) return false;
      if (IsPlayerFile(e->name) || IsLauncherFile(e->name) != (launcherPass == 1)) continue;
      // Never through a linked folder: that would delete outside the installation.
      if (PlatPathCrossesLink(root, e->name)) continue;
      const std::string path = PlatNativePath(root + e->name);
      if (hooks.finishedFile) hooks.finishedFile(path.c_str());
      PlatRemoveFile(path);
      sweeper.Sweep(path, false);
      if (hooks.pump) hooks.pump(false);
      RemoveEmptiedFolders(path, root);
    }
  }
  return true;
}
