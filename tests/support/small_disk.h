// A size-limited tmpfs mounted over a directory, for tests of a full disk.
// Mounting needs root; elsewhere Mount says to skip.
#pragma once

#include <string>

class SmallDisk {
 public:
  // Mounts a tmpfs of kilobytes over dir, with what dir held copied onto it.
  // "" when mounted; "skip: WHY" where the test may not mount; else the error.
  std::string Mount(const std::string& dir, long long kilobytes);
  // Frees space: the file system grows.
  std::string Grow(long long kilobytes);
  // Unmounts it, with its contents copied back into dir.
  ~SmallDisk();

 private:
  std::string dir_, aside_;
  bool mounted_ = false;
};

#define MOUNT_OR_SKIP(disk, dir, kb)                                \
  do {                                                              \
    const std::string why = (disk).Mount((dir), (kb));              \
    if (why.rfind("skip: ", 0) == 0) GTEST_SKIP() << why.substr(6); \
    ASSERT_EQ(why, "");                                             \
  } while (0)
