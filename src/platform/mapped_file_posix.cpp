#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/mapped_file.h"

bool PlatMappedFile::Open(const std::string& path) {
  Close();
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 0) {
    ::close(fd);
    return false;
  }
  size_ = static_cast<size_t>(st.st_size);
  if (size_ > 0) {
    void* p = mmap(nullptr, size_, PROT_READ, MAP_PRIVATE, fd, 0);
    if (p == MAP_FAILED) {
      ::close(fd);
      size_ = 0;
      return false;
    }
    // One forward pass reads it: read ahead generously.
    madvise(p, size_, MADV_SEQUENTIAL);
    data_ = static_cast<const unsigned char*>(p);
  }
  ::close(fd);  // the mapping stays valid without the descriptor
  open_ = true;
  return true;
}

void PlatMappedFile::Close() {
  if (data_) munmap(const_cast<unsigned char*>(data_), size_);
  data_ = nullptr;
  size_ = 0;
  open_ = false;
}

PlatMappedOutput::~PlatMappedOutput() {
  if (data_) munmap(data_, mapped_);
  if (fd_ >= 0) ::close(fd_);
}

bool PlatMappedOutput::Create(const std::string& path, size_t capacity) {
  fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd_ < 0) return false;
  capacity_ = capacity;
  mapped_ = capacity > 0 ? capacity : 1;
  // Reserved blocks: a full disk is an error here, never a fault (SIGBUS)
  // while the view is written.
  int err = posix_fallocate(fd_, 0, static_cast<off_t>(mapped_));
  if (err == EINVAL || err == EOPNOTSUPP) err = ftruncate(fd_, static_cast<off_t>(mapped_)) == 0 ? 0 : errno;
  void* p = err == 0 ? mmap(nullptr, mapped_, PROT_READ | PROT_WRITE, MAP_SHARED, fd_, 0) : MAP_FAILED;
  if (p == MAP_FAILED) {
    ::close(fd_);
    fd_ = -1;
    return false;
  }
  data_ = static_cast<unsigned char*>(p);
  return true;
}

bool PlatMappedOutput::Finish(size_t used) {
  if (fd_ < 0) return false;
  bool ok = used <= capacity_;
  if (data_) {
    munmap(data_, mapped_);
    data_ = nullptr;
  }
  if (ftruncate(fd_, static_cast<off_t>(ok ? used : 0)) != 0) ok = false;
  if (::close(fd_) != 0) ok = false;
  fd_ = -1;
  return ok;
}
