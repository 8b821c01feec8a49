#include "platform/directory_maintenance.h"

#include <sys/stat.h>
#include <unistd.h>

#include "platform/filesystem.h"

bool PlatRemoveEmptyDirectory(const std::string& path) {
  if (path.empty()) return false;
  // rmdir refuses a folder that still holds anything, which is the rule.
  return rmdir(PlatNativePath(path).c_str()) == 0;
}

bool PlatIsWritableDirectory(const std::string& path) {
  if (path.empty()) return false;
  const std::string native = PlatNativePath(path);
  struct stat st;
  if (stat(native.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
  return access(native.c_str(), W_OK | X_OK) == 0;
}

bool PlatIsRegularFile(const std::string& path) {
  struct stat st;
  return !path.empty() && stat(PlatNativePath(path).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}
