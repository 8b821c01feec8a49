#include <sys/stat.h>

#include "platform/file_mode.h"

bool PlatMakeExecutable(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return false;
  mode_t mode = st.st_mode & 07777;
  if (mode & S_IRUSR) mode |= S_IXUSR;
  if (mode & S_IRGRP) mode |= S_IXGRP;
  if (mode & S_IROTH) mode |= S_IXOTH;
  return ::chmod(path.c_str(), mode) == 0;
}
