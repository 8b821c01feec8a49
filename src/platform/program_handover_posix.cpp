#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/program_handover.h"

void PlatHandOverToSibling(const char* siblingName, char** argv, char* reason, unsigned reasonSize) {
  // The executable's own directory, not argv[0]'s: a program started through
  // PATH or a symbolic link still finds the sibling it was installed with.
  char self[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
  if (length <= 0) {
    std::snprintf(reason, reasonSize, "cannot find this program's directory: %s", std::strerror(errno));
    return;
  }
  self[length] = 0;
  std::string path(self);
  path.erase(path.rfind('/') + 1);
  path += siblingName;
  execv(path.c_str(), argv);
  std::snprintf(reason, reasonSize, "cannot start %s: %s", path.c_str(), std::strerror(errno));
}
