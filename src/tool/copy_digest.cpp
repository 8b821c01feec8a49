#include "tool/copy_digest.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>

#include "transport/compressed_file.h"
#include "transport/md5.h"

namespace fs = std::filesystem;

bool CopyWithDigest(const std::string& from, const std::string& shown, const std::string& to, CopyResult* result,
                    std::vector<unsigned char>& buffer, std::string* error) {
  FILE* in = std::fopen(from.c_str(), "rb");
  if (!in) {
    *error = shown + ": cannot be read: " + std::strerror(errno);
    return false;
  }
  std::error_code ec;
  fs::create_directories(fs::path(to).parent_path(), ec);
  FILE* out = std::fopen(to.c_str(), "wb");
  if (!out) {
    *error = to + ": cannot be written: " + std::strerror(errno);
    std::fclose(in);
    return false;
  }
  MD5Stream md5;
  bool ok = true;
  bool first = true;
  size_t n;
  result->size = 0;
  result->compressed = false;
  while ((n = std::fread(buffer.data(), 1, buffer.size(), in)) > 0) {
    if (first && n >= size_t(kCompressedHeaderSize)) result->compressed = CompressedHeaderVersion(buffer.data()) != 0;
    first = false;
    md5.Add(buffer.data(), n);
    if (std::fwrite(buffer.data(), 1, n, out) != n) {
      *error = to + ": cannot be written: " + std::strerror(errno);
      ok = false;
      break;
    }
    result->size += (long long)n;
  }
  if (ok && std::ferror(in)) {
    *error = shown + ": cannot be read: " + std::strerror(errno);
    ok = false;
  }
  std::fclose(in);
  if (std::fclose(out) != 0 && ok) {
    *error = to + ": cannot be written: " + std::strerror(errno);
    ok = false;
  }
  md5.Finish(result->digest);
  if (ok) fs::permissions(to, fs::status(from, ec).permissions(), ec);
  return ok;
}
