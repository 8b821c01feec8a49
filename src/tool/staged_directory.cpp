#include "tool/staged_directory.h"

#include <cstdio>
#include <filesystem>
#include <random>
#include <system_error>

namespace fs = std::filesystem;

namespace {
// A suffix no other run picks: staging and set-aside names of concurrent runs
// never meet.
std::string RunSuffix() {
  static const std::string suffix = [] {
    std::random_device rd;
    char text[20];
    std::snprintf(text, sizeof text, "%08x%08x", rd(), rd());
    return std::string(text);
  }();
  return suffix;
}
}  // namespace

StagedDirectory::~StagedDirectory() {
  if (!staging_.empty() && !committed_) {
    std::error_code ec;
    fs::remove_all(staging_, ec);
  }
}

bool StagedDirectory::Begin(const std::string& target, const std::string& marker, std::string* error) {
  std::error_code ec;
  fs::path t = fs::absolute(fs::path(target), ec).lexically_normal();
  if (t.has_filename() == false) t = t.parent_path();
  target_ = t.string();
  const fs::file_status st = fs::symlink_status(t, ec);
  if (fs::exists(st)) {
    if (!fs::is_directory(st)) {
      *error = target + " exists and is not a directory";
      return false;
    }
    const bool empty = fs::is_empty(t, ec);
    if (ec) {
      *error = target + ": " + ec.message();
      return false;
    }
    if (!empty && !fs::exists(t / marker, ec)) {
      *error = target + " exists and holds no " + marker + ": refusing to replace it";
      return false;
    }
  }
  const fs::path parent = t.parent_path();
  fs::create_directories(parent, ec);
  if (!fs::is_directory(parent, ec)) {
    *error = "no directory " + parent.string() + " to put " + t.filename().string() + " in";
    return false;
  }
  for (int n = 0;; ++n) {
    fs::path s =
        parent / ("." + t.filename().string() + ".staging-" + RunSuffix() + (n ? "-" + std::to_string(n) : ""));
    if (fs::create_directory(s, ec)) {
      staging_ = s.string();
      return true;
    }
    if (ec || n > 100) {
      *error = "cannot create " + s.string() + ": " + (ec ? ec.message() : "exists");
      return false;
    }
  }
}

bool StagedDirectory::Commit(std::string* error) {
  std::error_code ec;
  const fs::path t(target_);
  fs::path aside;
  if (fs::exists(fs::symlink_status(t, ec))) {
    aside = t.parent_path() / ("." + t.filename().string() + ".old-" + RunSuffix());
    fs::remove_all(aside, ec);
    fs::rename(t, aside, ec);
    if (ec) {
      *error = "cannot move " + target_ + " aside: " + ec.message();
      return false;
    }
  }
  fs::rename(staging_, t, ec);
  if (ec) {
    *error = "cannot rename " + staging_ + " to " + target_ + ": " + ec.message();
    std::error_code back;
    if (!aside.empty()) fs::rename(aside, t, back);
    return false;
  }
  committed_ = true;
  if (!aside.empty()) fs::remove_all(aside, ec);
  return true;
}
