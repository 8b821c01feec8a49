#include "platform/link_guard.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/files.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

TEST(LinkGuard, AFolderLinkOnTheWayIsFoundTheLastComponentAndTheRootAreNot) {
  TempDir outside, root;
  WriteFileText(outside / "victim.txt", "x");
  fs::create_directories(root / "real/sub");
  fs::create_directory_symlink(outside.path(), root / "real/linked");
  fs::create_symlink(outside / "victim.txt", root / "real/file-link");
  fs::create_directory_symlink(root.path(), root.path() + ".alias");
  const std::string base = root.path() + "/";
  EXPECT_TRUE(PlatPathCrossesLink(base, "real/linked/victim.txt"));
  EXPECT_TRUE(PlatPathCrossesLink(base, "real\\linked\\deeper\\x"));
  EXPECT_FALSE(PlatPathCrossesLink(base, "real/sub/new.txt"));
  EXPECT_FALSE(PlatPathCrossesLink(base, "real/file-link")) << "the last component is replaced, not followed";
  EXPECT_FALSE(PlatPathCrossesLink(root.path() + ".alias/", "real/sub/x")) << "the root is the caller's";
  EXPECT_TRUE(PlatIsSymbolicLink(root / "real/file-link"));
  EXPECT_FALSE(PlatIsSymbolicLink(root / "real/sub"));
  EXPECT_FALSE(PlatIsSymbolicLink(root / "missing"));
  fs::remove(root.path() + ".alias");
}
