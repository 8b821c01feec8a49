#include "support/small_disk.h"

#include <unistd.h>

#include <filesystem>
#include <system_error>

#include "support/process.h"

namespace fs = std::filesystem;

std::string SmallDisk::Mount(const std::string& dir, long long kilobytes) {
  if (geteuid() != 0) return "skip: mounting needs root";
  dir_ = dir;
  while (!dir_.empty() && dir_.back() == '/') dir_.pop_back();
  std::error_code ec;
  fs::create_directories(dir_, ec);
  aside_ = dir_ + ".aside";
  fs::remove_all(aside_, ec);
  fs::rename(dir_, aside_, ec);
  if (ec) return "cannot move " + dir_ + " aside: " + ec.message();
  fs::create_directory(dir_, ec);
  ProcessResult r =
      RunProcess({"mount", "-t", "tmpfs", "-o", "size=" + std::to_string(kilobytes) + "k", "tmpfs", dir_});
  if (r.exitCode != 0) {
    fs::remove(dir_, ec);
    fs::rename(aside_, dir_, ec);
    return "skip: mount -t tmpfs failed: " + r.err;
  }
  mounted_ = true;
  fs::copy(aside_, dir_, fs::copy_options::recursive | fs::copy_options::copy_symlinks, ec);
  if (ec) return "cannot fill the small disk: " + ec.message();
  fs::remove_all(aside_, ec);
  return "";
}

std::string SmallDisk::Grow(long long kilobytes) {
  ProcessResult r = RunProcess({"mount", "-o", "remount,size=" + std::to_string(kilobytes) + "k", dir_});
  return r.exitCode == 0 ? "" : "remount failed: " + r.err;
}

SmallDisk::~SmallDisk() {
  if (!mounted_) return;
  std::error_code ec;
  fs::copy(dir_, aside_, fs::copy_options::recursive | fs::copy_options::copy_symlinks, ec);
  RunProcess({"umount", "-l", dir_});
  fs::remove_all(dir_, ec);
  fs::rename(aside_, dir_, ec);
}
