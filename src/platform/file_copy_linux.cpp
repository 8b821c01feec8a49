#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

#include "platform/file_copy.h"

PlatCopyResult PlatCopyFileTail(const std::string& from, long long offset, const std::string& to, bool append) {
  PlatCopyResult r;
  int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) {
    r.source_opened = false;
    r.destination_opened = false;
    r.error = errno;
    return r;
  }
  int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | (append ? 0 : O_TRUNC), 0644);
  if (out < 0) {
    r.destination_opened = false;
    r.error = errno;
    ::close(in);
    return r;
  }
  struct stat st;
  long long size = ::fstat(in, &st) == 0 ? (long long)st.st_size : 0;
  loff_t inOff = offset;
  loff_t outOff = 0;
  if (append && ::fstat(out, &st) == 0) outOff = st.st_size;
  // The system's copy pays off for large files; small ones go faster through a buffer.
  bool kernelCopy = size - inOff >= (1 << 20);
  while (kernelCopy && inOff < size) {
    ssize_t n = ::copy_file_range(in, &inOff, out, &outOff, size_t(size - inOff), 0);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EXDEV || errno == ENOSYS || errno == EOPNOTSUPP || errno == EINVAL)) {
      kernelCopy = false;
      break;
    }
    if (n < 0) {
      r.error = errno;
      break;
    }
    if (n == 0) break;
    r.read += n;
    r.written += n;
  }
  if (!kernelCopy && !r.error) {
    std::vector<char> block(1 << 20);
    for (;;) {
      ssize_t n = ::pread(in, block.data(), block.size(), inOff);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        r.error = errno;
        break;
      }
      if (n == 0) break;
      inOff += n;
      r.read += n;
      ssize_t done = 0;
      while (done < n) {
        ssize_t w = ::pwrite(out, block.data() + done, size_t(n - done), outOff);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) {
          r.error = w < 0 ? errno : ENOSPC;
          break;
        }
        done += w;
        outOff += w;
      }
      r.written += done;
      if (r.error) break;
    }
  }
  if (::close(out) != 0 && !r.error) r.error = errno;
  ::close(in);
  return r;
}
