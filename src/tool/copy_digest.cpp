#include "tool/copy_digest.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>

#include "platform/filesystem.h"
#include "transport/compressed_file.h"
#include "transport/md5.h"

namespace fs = std::filesystem;

namespace {
bool IsAllZero(const unsigned char* p, size_t n) { return n == 0 || (p[0] == 0 && std::memcmp(p, p + 1, n - 1) == 0); }
}  // namespace

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
  // Blocks of zeros are skipped over rather than written, so that a sparse
  // file stays sparse; the file's last byte is always written, which gives
  // it its length.
  long long hole = 0;
  auto fail = [&] {
    *error = to + ": cannot be written: " + std::strerror(errno);
    ok = false;
  };
  while ((n = std::fread(buffer.data(), 1, buffer.size(), in)) > 0) {
    if (first && n >= size_t(kCompressedHeaderSize)) result->compressed = CompressedHeaderVersion(buffer.data()) != 0;
    first = false;
    md5.Add(buffer.data(), n);
    result->size += (long long)n;
    if (IsAllZero(buffer.data(), n)) {
      hole += (long long)n;
      continue;
    }
    if ((hole && PlatSeekStream(out, hole, SEEK_CUR) != 0) || std::fwrite(buffer.data(), 1, n, out) != n) {
      fail();
      break;
    }
    hole = 0;
  }
  if (ok && hole && (PlatSeekStream(out, hole - 1, SEEK_CUR) != 0 || std::fputc(0, out) == EOF)) fail();
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
