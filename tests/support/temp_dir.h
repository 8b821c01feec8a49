// A scratch directory for one test or one suite.
#pragma once

#include <string>

// The folder tests make their scratch directories and files in: $TMPDIR
// (scripts/test gives each run one of its own), else /tmp.
std::string TempRoot();

// A fresh quorvel-test-* directory in TempRoot(), removed with its contents
// when destroyed. Each one has a name of its own, so tests that CTest runs
// side by side never share.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  // The directory, without a trailing separator.
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};
