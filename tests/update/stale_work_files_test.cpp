// The work files of an interrupted run beside a listed file: which go, which stay.
#include "update/stale_work_files.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/files.h"
#include "support/temp_dir.h"

TEST(StaleWorkFiles, RawResponsesAndStagingCopiesGoTheBodyOnlyWhenNotToBeFetched) {
  TempDir dir;
  const std::string path = dir / "data/file.dat";
  for (const char* name : {"file.dat", "file.dat.tmp12", "file.dat.tmp4711", "file.dat.ins", "file.dat.res",
                           "file.dat.tmp", "file.dat.hdr", "file.dat.tmpx", "other.dat.tmp12", "file.datx.tmp1"})
    WriteFileText(dir / (std::string("data/") + name), name);
  std::filesystem::create_directories(dir / "data/file.dat.tmp99");  // a folder is never removed

  StaleWorkFileSweeper keep;
  keep.Sweep(path, true);
  EXPECT_FALSE(FileExists(dir / "data/file.dat.tmp12"));
  EXPECT_FALSE(FileExists(dir / "data/file.dat.tmp4711"));
  EXPECT_FALSE(FileExists(dir / "data/file.dat.ins"));
  EXPECT_TRUE(FileExists(dir / "data/file.dat.res")) << "kept for the transfer to resume";
  for (const char* name : {"file.dat", "file.dat.tmp", "file.dat.hdr", "file.dat.tmpx", "other.dat.tmp12",
                           "file.datx.tmp1", "file.dat.tmp99"})
    EXPECT_TRUE(FileExists(dir / (std::string("data/") + name))) << name;

  StaleWorkFileSweeper done;
  done.Sweep(path, false);
  EXPECT_FALSE(FileExists(dir / "data/file.dat.res"));
  EXPECT_TRUE(FileExists(dir / "data/file.dat.tmp")) << "a patch backup may be the only copy";
}

TEST(StaleWorkFiles, TransferNamesNeedDigitsAfterTheSuffix) {
  EXPECT_TRUE(IsStaleTransferName("a.txt.tmp0", "a.txt"));
  EXPECT_FALSE(IsStaleTransferName("a.txt.tmp", "a.txt"));
  EXPECT_FALSE(IsStaleTransferName("a.txt.tmp1a", "a.txt"));
  EXPECT_FALSE(IsStaleTransferName("b.txt.tmp1", "a.txt"));
}
