#include "transport/download_support.h"

#include <cerrno>
#include <cstring>
#include <string>

#include "foundation/alloc.h"
#include "foundation/runtime.h"
#include "platform/filesystem.h"

namespace {
const char* const kErrnoTexts[] = {"No error",
                                   "No such file or directory",
                                   "Arg list too big",
                                   "Exec format error",
                                   "Bad file number",
                                   "Not enough memory",
                                   "Permission denied",
                                   "File exists",
                                   "Cross-device link",
                                   "Invalid argument",
                                   "File table overflow",
                                   "Too many open files",
                                   "No space left on device",
                                   "Argument too large",
                                   "Result too large",
                                   "Resource deadlock would occur",
                                   "interrupt",
                                   "Child does not exist",
                                   "Resource unavailable, try again",
                                   "Device or resource busy",
                                   "File too large",
                                   "I/O error",
                                   "Is a directory",
                                   "Not a directory",
                                   "Too many links",
                                   "Block device required",
                                   "Not a character device",
                                   "No such device or address",
                                   "Not owner",
                                   "Broken pipe",
                                   "Read-only file system",
                                   "Illegal seek",
                                   "No such process",
                                   "Text file busy",
                                   "Bad address",
                                   "Name too long",
                                   "No such device",
                                   "No locks available in system",
                                   "Unknown system call",
                                   "Directory not empty",
                                   "Multibyte/wide character encoding error"};
constexpr int kErrnoTextCount = int(sizeof kErrnoTexts / sizeof kErrnoTexts[0]);
static_assert(kErrnoTextCount == 41, "texts for 0 to 40");

// The position in the table above of a host error number: the table follows
// the classic run-time library's numbering, the host's numbers differ.
int ClassicErrNo(int err) {
  switch (err) {
    case 0: return 0;
    case ENOENT: return 1;
    case E2BIG: return 2;
    case ENOEXEC: return 3;
    case EBADF: return 4;
    case ENOMEM: return 5;
    case EACCES: return 6;
    case EEXIST: return 7;
    case EXDEV: return 8;
    case EINVAL: return 9;
    case ENFILE: return 10;
    case EMFILE: return 11;
    case ENOSPC: return 12;
    case EDOM: return 13;
    case ERANGE: return 14;
    case EDEADLK: return 15;
    case EINTR: return 16;
    case ECHILD: return 17;
    case EAGAIN: return 18;
    case EBUSY: return 19;
    case EFBIG: return 20;
    case EIO: return 21;
    case EISDIR: return 22;
    case ENOTDIR: return 23;
    case EMLINK: return 24;
#ifdef ENOTBLK
    case ENOTBLK: return 25;
#endif
    case ENOTTY: return 26;
    case ENXIO: return 27;
    case EPERM: return 28;
    case EPIPE: return 29;
    case EROFS: return 30;
    case ESPIPE: return 31;
    case ESRCH: return 32;
    case ETXTBSY: return 33;
    case EFAULT: return 34;
    case ENAMETOOLONG: return 35;
    case ENODEV: return 36;
    case ENOLCK: return 37;
    case ENOSYS: return 38;
    case ENOTEMPTY: return 39;
    case EILSEQ: return 40;
    default: return -1;
  }
}

bool IsSeparator(char c) { return c == '/' || c == '\\'; }
}  // namespace

const char* InterpretErrNo(int err) {
  DLog("errno=%d", err);
  int index = ClassicErrNo(err);
  if (index < 0) return "Unknown error";
  return kErrnoTexts[index];
}

void MakeDirLevels(const char* path) {
  if (!path) return;
  size_t n = std::strlen(path);
  size_t i = 0;
  // The root: "C:", or "\\server\share", or a leading separator.
  if (n >= 2 && path[1] == ':') {
    i = 2;
  } else if (n >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
    i = 2;
    for (int skip = 0; skip < 2; ++skip) {
      while (i < n && !IsSeparator(path[i])) ++i;
      if (skip == 0 && i < n) ++i;
    }
  }
  while (i < n && IsSeparator(path[i])) ++i;
  for (; i < n; ++i) {
    if (!IsSeparator(path[i])) continue;
    std::string prefix(path, i);
    PlatMakeDirectory(prefix);
    while (i + 1 < n && IsSeparator(path[i + 1])) ++i;
  }
}

char* StrDup(const char* text, const char* tag) {
  (void)tag;
  if (!text) return nullptr;
  size_t n = std::strlen(text) + 1;
  char* copy = static_cast<char*>(MustAlloc(n));
  std::memcpy(copy, text, n);
  return copy;
}
