// The installation directory on a small file system (a size-limited tmpfs
// mounted over it; the cases skip where the test may not mount): the copy,
// the transfers and the succeed files meet a full disk. The player hears it,
// every file keeps its previous version, and once space is freed a restart
// completes the work.
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "faults/fault_rig.h"
#include "faults/fault_table.h"
#include "support/files.h"
#include "support/process.h"

namespace fs = std::filesystem;

namespace {

// A tmpfs of a given size over a directory, with what the directory held
// copied onto it; unmounted (and the contents copied back) when it goes.
class SmallDisk {
 public:
  std::string Mount(const std::string& dir, long long kilobytes) {
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
    ProcessResult r = RunProcess({"mount", "-t", "tmpfs", "-o", "size=" + std::to_string(kilobytes) + "k", "tmpfs", dir_});
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
  // Frees space: the file system grows.
  std::string Grow(long long kilobytes) {
    ProcessResult r = RunProcess({"mount", "-o", "remount,size=" + std::to_string(kilobytes) + "k", dir_});
    return r.exitCode == 0 ? "" : "remount failed: " + r.err;
  }
  ~SmallDisk() {
    if (!mounted_) return;
    std::error_code ec;
    fs::copy(dir_, aside_, fs::copy_options::recursive | fs::copy_options::copy_symlinks, ec);
    RunProcess({"umount", "-l", dir_});
    fs::remove_all(dir_, ec);
    fs::rename(aside_, dir_, ec);
  }

 private:
  std::string dir_, aside_;
  bool mounted_ = false;
};

long long KilobytesUnder(const std::string& dir) {
  long long bytes = 0;
  for (const auto& [name, contents] : TreeContents(dir)) bytes += (contents.size() + 4095) / 4096 * 4096;
  return bytes / 1024;
}

#define MOUNT_OR_SKIP(disk, dir, kb)                                   \
  do {                                                                 \
    const std::string why = (disk).Mount((dir), (kb));                 \
    if (why.rfind("skip: ", 0) == 0) GTEST_SKIP() << why.substr(6);    \
    ASSERT_EQ(why, "");                                                \
  } while (0)

}  // namespace

TEST(DiskFull, DuringAnUpdateTheOldFilesSurviveAndARestartCompletes) {
  FaultRig& rig = FaultRig::Get();
  ASSERT_EQ(rig.error(), "");
  ASSERT_EQ(rig.RestoreInstalled(), "");
  ASSERT_EQ(rig.server().Serve("v2"), "");
  SmallDisk disk;
  // Room for the installation and half of the large file that changes.
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
  const InstallCheck check = CheckInstallation(rig.gameDir("v2"), rig.installDir(), {{"decks/starter.deck", FaultRig::PlayerDeck()}});
  RecordFaultRun("disk full: update download", again.ok(), lost + check.lost, check.leftovers);
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
  EXPECT_TRUE(full.Saw("Quorvel Online/: 21 MB are needed and 1 MB are free.")) << "one warning, both figures\n"
                                                                                << describe;
  EXPECT_FALSE(full.Saw("out of disk space")) << "no copy was begun\n" << describe;
  for (const auto& [name, contents] : TreeContents(rig.installDir()))
    EXPECT_TRUE(name.find(".lst") != std::string::npos || name == "tos.txt") << "only the lists came: " << name;

  ASSERT_EQ(disk.Grow(64 * 1024), "");
  DriveResult again = RunLauncher(rig, {"-a"}, rig.home() + "/../copy-freed.trace", install, {}, &describe);
  const InstallCheck check = CheckInstallation(rig.gameDir("v1"), rig.installDir(), {{"decks/starter.deck", "starter deck\n"}});
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
  const InstallCheck check = CheckInstallation(rig.gameDir("v1"), rig.installDir(), {{"decks/starter.deck", FaultRig::PlayerDeck()}});
  RecordFaultRun("disk full: succeed files", again.ended && warnings == 1, check.lost, check.leftovers);
  EXPECT_TRUE(FileExists(rig.installDir() + "succeed1.txt") && FileExists(rig.installDir() + "succeed2.txt"))
      << describe;
  EXPECT_EQ(check.lost, 0) << check.Text();
  EXPECT_EQ(check.leftovers, 0) << check.Text();
}
