// The installation directory on a small file system (a size-limited tmpfs
// mounted over it; the cases skip where the test may not mount): the copy,
// the transfers and the succeed files meet a full disk. The player hears it,
// every file keeps its previous version, and once space is freed a restart
// completes the work.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "faults/fault_rig.h"
#include "faults/fault_table.h"
#include "support/files.h"
#include "support/process.h"
#include "support/small_disk.h"

namespace fs = std::filesystem;

namespace {

long long KilobytesUnder(const std::string& dir) {
  long long bytes = 0;
  for (const auto& [name, contents] : TreeContents(dir)) bytes += (contents.size() + 4095) / 4096 * 4096;
  return bytes / 1024;
}

}  // namespace

TEST(DiskFull, DuringAnUpdateTheOldFilesSurviveAndARestartCompletes) {
  FaultRig& rig = FaultRig::Get();
  ASSERT_EQ(rig.error(), "");
  ASSERT_EQ(rig.RestoreInstalled(), "");
  ASSERT_EQ(rig.server().Serve("v2"), "");
  SmallDisk disk;
  // Room for the installation and half of one of the four large files that
  // change, which download at once.
  MOUNT_OR_SKIP(disk, rig.installDir(), KilobytesUnder(rig.installDir()) + 1536);
  std::string describe;
  DriveResult full = RunLauncher(rig, {"-a"}, rig.home() + "/../disk-full.trace", {}, {}, &describe);
  std::string problems;
  const int lost = FilesAtNeitherRelease(rig, {}, &problems);
  EXPECT_TRUE(full.ended) << describe;
  EXPECT_TRUE(full.Saw("disk space")) << "the player is told the disk is full\n" << describe;
  EXPECT_EQ(lost, 0) << problems;

  ASSERT_EQ(disk.Grow(64 * 1024), "");
  DriveResult again = RunLauncher(rig, {"-a"}, rig.home() + "/../disk-freed.trace", {}, {}, &describe);
  const InstallCheck check =
      CheckInstallation(rig.gameDir("v2"), rig.installDir(), {{"decks/starter.deck", FaultRig::PlayerDeck()}});
  RecordFaultRun("disk full: 4 update downloads at once", again.ok(), lost + check.lost, check.leftovers);
  EXPECT_TRUE(again.ok()) << describe;
  EXPECT_EQ(check.lost, 0) << check.Text();
  EXPECT_EQ(check.leftovers, 0) << check.Text();
}

TEST(DiskFull, APackageThatCannotFitIsRefusedBeforeTheCopyAndARestartCompletes) {
  FaultRig& rig = FaultRig::Get();
  ASSERT_EQ(rig.error(), "");
  ASSERT_EQ(rig.RestoreEmptyHome(), "");
  ASSERT_EQ(rig.server().Serve("v1"), "");
  SmallDisk disk;
  MOUNT_OR_SKIP(disk, rig.installDir(), 2048);
  PlayerPolicy install;
  install.firstInstall = true;
  std::string describe;
  DriveResult full = RunLauncher(rig, {"-a"}, rig.home() + "/../copy-full.trace", install, {}, &describe);
  EXPECT_TRUE(full.ended) << describe;
  // The package holds the launcher itself, whose size follows the build.
  EXPECT_TRUE(full.Saw("Quorvel Online/: ") && full.Saw(" MB are needed and 1 MB are free.")) << "one warning, both "
                                                                                                 "figures\n"
                                                                                              << describe;
  EXPECT_FALSE(full.Saw("out of disk space")) << "no copy was begun\n" << describe;
  for (const auto& [name, contents] : TreeContents(rig.installDir()))
    EXPECT_TRUE(name.find(".lst") != std::string::npos || name == "tos.txt") << "only the lists came: " << name;

  ASSERT_EQ(disk.Grow(64 * 1024), "");
  DriveResult again = RunLauncher(rig, {"-a"}, rig.home() + "/../copy-freed.trace", install, {}, &describe);
  const InstallCheck check =
      CheckInstallation(rig.gameDir("v1"), rig.installDir(), {{"decks/starter.deck", "starter deck\n"}});
  RecordFaultRun("disk full: package copy", again.ok(), check.lost, check.leftovers);
  EXPECT_TRUE(again.ok()) << describe;
  EXPECT_EQ(check.lost, 0) << check.Text();
  EXPECT_EQ(check.leftovers, 0) << check.Text();
}

TEST(DiskFull, TheSucceedFilesCannotBeWrittenThePlayerIsToldOnce) {
  FaultRig& rig = FaultRig::Get();
  ASSERT_EQ(rig.error(), "");
  ASSERT_EQ(rig.RestoreInstalled(), "");
  ASSERT_EQ(rig.server().Serve("v1"), "");
  // One update first, so that every fetch of the next one (the Terms, the
  // lists) is answered "not modified" and needs no space.
  std::string describe;
  ASSERT_TRUE(RunLauncher(rig, {"-a"}, rig.home() + "/../succeed-before.trace", {}, {}, &describe).ok()) << describe;
  fs::remove(rig.installDir() + "succeed1.txt");
  fs::remove(rig.installDir() + "succeed2.txt");
  SmallDisk disk;
  MOUNT_OR_SKIP(disk, rig.installDir(), KilobytesUnder(rig.installDir()) + 256);
  // The rest of the disk is taken by a file the lists do not name.
  {
    FILE* filler = std::fopen((rig.installDir() + "filler.bin").c_str(), "wb");
    ASSERT_NE(filler, nullptr);
    static char block[4096];
    while (std::fwrite(block, 1, sizeof block, filler) == sizeof block) {
    }
    std::fclose(filler);
  }
  DriveResult full = RunLauncher(rig, {"-a"}, rig.home() + "/../succeed-full.trace", {}, {}, &describe);
  int warnings = 0;
  for (const std::string& d : full.dialogs) warnings += d.find("write succeed file") != std::string::npos ? 1 : 0;
  EXPECT_TRUE(full.ended) << describe;
  EXPECT_EQ(warnings, 1) << describe;
  fs::remove(rig.installDir() + "filler.bin");
  DriveResult again = RunLauncher(rig, {"-a"}, rig.home() + "/../succeed-freed.trace", {}, {}, &describe);
  const InstallCheck check =
      CheckInstallation(rig.gameDir("v1"), rig.installDir(), {{"decks/starter.deck", FaultRig::PlayerDeck()}});
  RecordFaultRun("disk full: succeed files", again.ended && warnings == 1, check.lost, check.leftovers);
  EXPECT_TRUE(FileExists(rig.installDir() + "succeed1.txt") && FileExists(rig.installDir() + "succeed2.txt"))
      << describe;
  EXPECT_EQ(check.lost, 0) << check.Text();
  EXPECT_EQ(check.leftovers, 0) << check.Text();
}
