// The working directory through the platform layer.
#include "platform/filesystem.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>

TEST(PlatWorkingDirectory, ChangesAndReportsTheDirectoryAndRefusesAMissingOne) {
  std::string before = PlatCurrentDirectory();
  ASSERT_FALSE(before.empty());
  EXPECT_EQ(before, std::filesystem::current_path().string());
  std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("plat_cwd_" + std::to_string(std::random_device()()));
  std::filesystem::create_directories(dir);
  ASSERT_TRUE(PlatChangeDirectory(dir.string()));
  EXPECT_EQ(PlatCurrentDirectory(), std::filesystem::canonical(dir).string());
  EXPECT_FALSE(PlatChangeDirectory((dir / "missing").string()));
  EXPECT_EQ(PlatCurrentDirectory(), std::filesystem::canonical(dir).string());  // a refusal leaves it
  ASSERT_TRUE(PlatChangeDirectory(before));
  std::filesystem::remove_all(dir);
  EXPECT_EQ(PlatCurrentDirectory(), before);
}
