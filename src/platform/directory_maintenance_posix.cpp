#include <sys/stat.h>
#include <unistd.h>

#include "platform/directory_maintenance.h"
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

std::string PlatWorkingDirectory() {
  char buffer[4096];
  return getcwd(buffer, sizeof buffer) ? std::string(buffer) : std::string();
}

bool PlatEnterDirectory(const std::string& path) { return !path.empty() && chdir(PlatNativePath(path).c_str()) == 0; }

std::string PlatProgramDirectory() {
  char buffer[4096];
  const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return "";
  std::string path(buffer, static_cast<size_t>(n));
  const size_t cut = path.find_last_of('/');
  return cut == std::string::npos ? "" : path.substr(0, cut + 1);
}
