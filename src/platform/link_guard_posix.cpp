#include <sys/stat.h>

#include "platform/filesystem.h"
#include "platform/link_guard.h"

bool PlatIsSymbolicLink(const std::string& path) {
  struct stat st;
  return !path.empty() && lstat(PlatNativePath(path).c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

bool PlatPathCrossesLink(const std::string& root, const std::string& relative) {
  const std::string rel = PlatNativePath(relative);
  for (size_t at = rel.find(kPathSeparator); at != std::string::npos; at = rel.find(kPathSeparator, at + 1))
    if (at > 0 && PlatIsSymbolicLink(root + rel.substr(0, at))) return true;
  return false;
}
