#include "tool/package_archive.h"

#include <archive.h>
#include <archive_entry.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

bool WriteTarGz(const std::string& dir, const std::string& topName, const std::string& archivePath,
                std::string* error) {
  std::error_code ec;
  std::vector<fs::path> entries;
  for (fs::recursive_directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
    entries.push_back(it->path());
  if (ec) {
    *error = dir + ": " + ec.message();
    return false;
  }
  std::sort(entries.begin(), entries.end());
  const std::string temp = archivePath + ".partial";
  archive* a = archive_write_new();
  archive_write_add_filter_gzip(a);
  archive_write_set_format_pax_restricted(a);
  bool ok = archive_write_open_filename(a, temp.c_str()) == ARCHIVE_OK;
  std::vector<char> buffer(1 << 16);
  auto fail = [&](const std::string& why) {
    if (ok) *error = why;
    ok = false;
  };
  if (!ok) *error = temp + ": " + archive_error_string(a);
  for (const fs::path& p : entries) {
    if (!ok) break;
    const fs::file_status st = fs::symlink_status(p, ec);
    const bool isDir = fs::is_directory(st);
    if (!isDir && !fs::is_regular_file(st)) continue;
    archive_entry* e = archive_entry_new();
    archive_entry_set_pathname(e, (topName + "/" + p.lexically_relative(dir).generic_string()).c_str());
    archive_entry_set_filetype(e, isDir ? AE_IFDIR : AE_IFREG);
    archive_entry_set_perm(e, static_cast<int>(st.permissions() & fs::perms::mask));
    const auto size = isDir ? 0 : fs::file_size(p, ec);
    archive_entry_set_size(e, static_cast<la_int64_t>(size));
    const auto mtime = fs::last_write_time(p, ec);
    archive_entry_set_mtime(
        e,
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::file_clock::to_sys(mtime).time_since_epoch())
            .count(),
        0);
    if (archive_write_header(a, e) != ARCHIVE_OK) fail(p.string() + ": " + archive_error_string(a));
    if (ok && !isDir) {
      FILE* in = std::fopen(p.c_str(), "rb");
      if (!in) fail(p.string() + ": cannot be read");
      size_t n;
      while (ok && in && (n = std::fread(buffer.data(), 1, buffer.size(), in)) > 0)
        if (archive_write_data(a, buffer.data(), n) != static_cast<la_ssize_t>(n))
          fail(temp + ": " + archive_error_string(a));
      if (in) std::fclose(in);
    }
    archive_entry_free(e);
  }
  if (archive_write_close(a) != ARCHIVE_OK) fail(temp + ": " + archive_error_string(a));
  archive_write_free(a);
  if (ok) {
    fs::rename(temp, archivePath, ec);
    if (ec) fail("cannot rename " + temp + " to " + archivePath + ": " + ec.message());
  }
  if (!ok) fs::remove(temp, ec);
  return ok;
}
