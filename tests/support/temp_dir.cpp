#include "support/temp_dir.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

std::string TempRoot() {
  const char* dir = std::getenv("TMPDIR");
  return dir && *dir ? dir : "/tmp";
}

namespace {
// scripts/run-checked names the test that made each folder a run leaves
// behind: every folder is recorded, with its test, in $QUORVEL_TEMP_LOG.
void RecordMaker(const std::string& path) {
  const char* log = std::getenv("QUORVEL_TEMP_LOG");
  if (!log || !*log) return;
  const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
  std::string line = path + " " + (test ? std::string(test->test_suite_name()) + "." + test->name() : "(no test)");
  line += " pid " + std::to_string(getpid()) + "\n";
  const int fd = open(log, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return;
  // A lost record only makes a later report less precise.
  [[maybe_unused]] const ssize_t written = write(fd, line.data(), line.size());
  close(fd);
}
}  // namespace

TempDir::TempDir() {
  std::string name = TempRoot() + "/quorvel-test-XXXXXX";
  if (mkdtemp(name.data())) {
    path_ = name;
    RecordMaker(path_);
  } else {
    ADD_FAILURE() << "cannot make a temporary directory in " << TempRoot();
    path_ = "/nonexistent-quorvel-test-dir";
  }
}

TempDir::~TempDir() {
  // A program that is still ending (a server flushing its log, a game copy
  // on its way out) may add an entry while the tree is removed, which makes
  // one pass fail with "directory not empty": try again for a while.
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
    if (!std::filesystem::exists(path_, ec)) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  std::fprintf(stderr, "TempDir: cannot remove %s\n", path_.c_str());
}
