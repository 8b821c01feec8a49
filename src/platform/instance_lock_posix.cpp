#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/instance_lock.h"
#include "platform/known_folders.h"

namespace {
thread_local DWORD gLastError = ERROR_SUCCESS;

struct MutexHandle {
  int fd;
};
}  // namespace

DWORD GetLastError() { return gLastError; }
void SetLastError(DWORD error) { gLastError = error; }

std::string InstanceLockPath(const char* name) {
  std::string file = name ? name : "";
  for (char& c : file)
    if (c == '/' || c == '\\') c = '_';
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  const std::string dir = KnownFolderPath(KnownFolder::kRuntime);
  if (runtime && dir == runtime) return dir + "/" + file;
  return dir + "/" + file + "." + std::to_string(getuid());
}

HANDLE CreateMutexA(void* security, int initialOwner, const char* name) {
  if (!name || !*name) {
    SetLastError(DWORD(ERROR_INVALID_PARAMETER));
    return nullptr;
  }
  const std::string path = InstanceLockPath(name);
  int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) {
    SetLastError(DWORD(errno == EACCES ? ERROR_ACCESS_DENIED : ERROR_PATH_NOT_FOUND));
    return nullptr;
  }
  int rc;
  while ((rc = flock(fd, LOCK_EX | LOCK_NB)) != 0 && errno == EINTR) {
  }
  if (rc != 0 && errno != EWOULDBLOCK) {
    close(fd);
    SetLastError(DWORD(ERROR_ACCESS_DENIED));
    return nullptr;
  }
  SetLastError(DWORD(rc == 0 ? ERROR_SUCCESS : ERROR_ALREADY_EXISTS));
  return new MutexHandle{fd};
}

int ReleaseMutex(HANDLE mutex) { return mutex ? 1 : 0; }

int CloseHandle(HANDLE handle) {
  if (!handle) return 0;
  auto* m = static_cast<MutexHandle*>(handle);
  close(m->fd);
  delete m;
  return 1;
}
