#include "tool/raw_file.h"

#include <cerrno>
#include <cstdio>

#include "platform/filesystem.h"

bool ReadRawFile(const char* name, std::vector<unsigned char>& data) {
  if (PlatIsDirectory(name)) {
    errno = EISDIR;
    return false;
  }
  FILE* f = std::fopen(name, "rb");
  if (!f) return false;
  data.clear();
  // One allocation of the file's size when it can be told; reading on to the
  // end either way.
  if (std::fseek(f, 0, SEEK_END) == 0) {
    const long size = std::ftell(f);
    if (size > 0) data.reserve(static_cast<size_t>(size));
    std::rewind(f);
  }
  unsigned char buffer[1 << 16];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) data.insert(data.end(), buffer, buffer + n);
  const bool ok = !std::ferror(f);
  std::fclose(f);
  return ok;
}

bool WriteRawFile(const char* name, const unsigned char* data, size_t size) {
  FILE* f = std::fopen(name, "wb");
  if (!f) return false;
  const bool ok = (size == 0 || std::fwrite(data, 1, size, f) == size);
  return std::fclose(f) == 0 && ok;
}
