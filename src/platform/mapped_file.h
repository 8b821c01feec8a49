// Whole files mapped into memory: read-only views of existing files, and new
// files of a fixed size written through a writable view. Mapped pages belong
// to the file, not to the process's anonymous memory, so files of any size
// can be worked on without holding them in heap buffers.
//
// Errors are return values. A file of length 0 maps to an empty view.
#pragma once

#include <cstddef>
#include <string>

// A read-only view of an existing regular file. Directories and other
// non-regular files are refused.
class PlatMappedFile {
 public:
  PlatMappedFile() = default;
  ~PlatMappedFile() { Close(); }
  PlatMappedFile(const PlatMappedFile&) = delete;
  PlatMappedFile& operator=(const PlatMappedFile&) = delete;

  // False when path cannot be opened, is not a regular file, or cannot be
  // mapped.
  bool Open(const std::string& path);
  void Close();
  bool IsOpen() const { return open_; }
  const unsigned char* data() const { return data_; }
  size_t size() const { return size_; }

 private:
  const unsigned char* data_ = nullptr;
  size_t size_ = 0;
  bool open_ = false;
};

// A new file (created or truncated) with room for capacity bytes reserved on
// the disk, so that writing through the view cannot fail for want of space.
// Finish ends the file at the number of bytes actually used.
class PlatMappedOutput {
 public:
  PlatMappedOutput() = default;
  ~PlatMappedOutput();  // an unfinished output is closed as it stands
  PlatMappedOutput(const PlatMappedOutput&) = delete;
  PlatMappedOutput& operator=(const PlatMappedOutput&) = delete;

  // False when the file cannot be created, the space cannot be reserved or
  // the view cannot be made; nothing is left open then (the file may exist).
  bool Create(const std::string& path, size_t capacity);
  unsigned char* data() { return data_; }
  size_t capacity() const { return capacity_; }
  // Writes the view back, cuts the file to used bytes and closes it. False
  // when any of that failed: the file's contents cannot be trusted then.
  bool Finish(size_t used);

 private:
  unsigned char* data_ = nullptr;
  size_t capacity_ = 0;
  size_t mapped_ = 0;
  int fd_ = -1;
};
