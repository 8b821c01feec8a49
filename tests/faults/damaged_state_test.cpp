// The launcher's own state on the player's machine is damaged: a garbage
// settings file, truncated and huge ".hdr" files, a folder where a file
// belongs and a file where a folder belongs, unreadable files, succeed files
// that vouch for damaged files. No case may crash, loop or spoil another
// file; where the launcher cannot mend the damage itself it asks or warns.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "faults/fault_rig.h"
#include "faults/fault_table.h"
#include "support/files.h"

namespace fs = std::filesystem;

namespace {

std::map<std::string, std::string> PlayerFiles() { return {{"decks/starter.deck", FaultRig::PlayerDeck()}}; }

}  // namespace

TEST(DamagedState, AGarbageSettingsFileIsAnInstallationToMakeAgain) {
  FaultRig& rig = FaultRig::Get();
  ASSERT_EQ(rig.error(), "");
  ASSERT_EQ(rig.RestoreInstalled(), "");
  ASSERT_EQ(rig.server().Serve("v1"), "");
  std::string garbage;
  for (int i = 0; i < 8192; ++i) garbage += char((i * 7919) >> 3);
  garbage += "\n[HKEY_CURRENT_USER\\Software\\Quorvel Online]\n\"InstallationDirectory\"=\"";
  WriteFileText(rig.home() + "/registry.txt", garbage);
  PlayerPolicy install;
  install.firstInstall = true;
  std::string describe;
  DriveResult r = RunLauncher(rig, {"-a"}, rig.home() + "/../garbage-settings.trace", install, {}, &describe);
  const InstallCheck check = CheckInstallation(rig.gameDir("v1"), rig.installDir(), PlayerFiles());
  RecordFaultRun("damaged: garbage settings file", r.ok(), check.lost, check.leftovers);
  EXPECT_TRUE(r.ok()) << describe;
  EXPECT_EQ(check.lost, 0) << check.Text() << "\n" << describe;
  EXPECT_EQ(check.leftovers, 0) << check.Text();
}

TEST(DamagedState, TruncatedAndHugeHeaderFiles) {
  FaultRig& rig = FaultRig::Get();
  ASSERT_EQ(rig.error(), "");
  ASSERT_EQ(rig.RestoreInstalled(), "");
  ASSERT_EQ(rig.server().Serve("v2"), "");
  const std::string dir = rig.installDir();
  const std::string master = ReadFileText(dir + "master.lst.hdr");
  WriteFileText(dir + "master.lst.hdr", master.substr(0, std::min<size_t>(master.size(), 20)));
  std::string huge;
  while (huge.size() < (6u << 20)) huge += "Content-Length: 99999999999999999999\nLast-Modified: Thu, 99 Zzz 9999\n";
  WriteFileText(dir + "data/large.dat.hdr", huge);
  WriteFileText(dir + "updated.lst.hdr", std::string(100000, '\xff'));
  WriteFileText(dir + "many/m002.txt.hdr", std::string("Content-Length: -5\n\0\0\0", 23));
  std::string describe;
  DriveResult r = RunLauncher(rig, {"-a"}, rig.home() + "/../bad-hdr.trace", {}, {}, &describe);
  const InstallCheck check = CheckInstallation(rig.gameDir("v2"), dir, PlayerFiles());
  RecordFaultRun("damaged: truncated and huge .hdr", r.ok(), check.lost, check.leftovers);
  EXPECT_TRUE(r.ok()) << describe;
  EXPECT_EQ(check.lost, 0) << check.Text() << "\n" << describe;
  EXPECT_EQ(check.leftovers, 0) << check.Text();
}

TEST(DamagedState, AFolderWhereAFileBelongsIsAskedAboutAndKept) {
  FaultRig& rig = FaultRig::Get();
  ASSERT_EQ(rig.error(), "");
  ASSERT_EQ(rig.RestoreInstalled(), "");
  ASSERT_EQ(rig.server().Serve("v2"), "");
  const std::string dir = rig.installDir();
  fs::remove(dir + "many/m010.txt");
  WriteFileText(dir + "many/m010.txt/the player's notes.txt", "notes\n");
  std::string describe;
  DriveResult r = RunLauncher(rig, {"-a"}, rig.home() + "/../folder-for-file.trace", {}, {}, &describe);
  std::string problems;
  int lost = FilesAtNeitherRelease(rig, {"many/m010.txt"}, &problems);
  if (ReadFileText(dir + "many/m010.txt/the player's notes.txt") != "notes\n") {
    ++lost;
    problems += "the folder's contents changed\n";
  }
  const std::vector<std::string> left = LeftoverFiles(dir, true);
  const int leftovers = int(left.size());
  RecordFaultRun("damaged: folder where a file belongs", r.ended && r.retryQuestions == 1, lost, leftovers);
  EXPECT_TRUE(r.ended) << describe;
  EXPECT_EQ(r.retryQuestions, 1) << "the player is asked, once per answer\n" << describe;
  EXPECT_EQ(lost, 0) << problems;
  EXPECT_EQ(leftovers, 0) << testing::PrintToString(left);
}

TEST(DamagedState, AFileWhereAFolderBelongsIsAskedAboutAndKept) {
  FaultRig& rig = FaultRig::Get();
  ASSERT_EQ(rig.error(), "");
  ASSERT_EQ(rig.RestoreInstalled(), "");
  ASSERT_EQ(rig.server().Serve("v2"), "");
  const std::string dir = rig.installDir();
  fs::remove_all(dir + "many");
  WriteFileText(dir + "many", "not a folder\n");
  std::string describe;
  DriveResult r = RunLauncher(rig, {"-a"}, rig.home() + "/../file-for-folder.trace", {}, {}, &describe, 120000);
  std::string problems;
  int lost = FilesAtNeitherRelease(rig, {"many/"}, &problems);
  if (ReadFileText(dir + "many") != "not a folder\n") {
    ++lost;
    problems += "the file in the folder's place changed\n";
  }
  RecordFaultRun("damaged: file where a folder belongs", r.ended && r.retryQuestions == 1, lost,
                 int(LeftoverFiles(dir).size()));
  EXPECT_TRUE(r.ended) << describe;
  EXPECT_EQ(r.retryQuestions, 1) << describe;
  EXPECT_EQ(lost, 0) << problems;
}

TEST(DamagedState, FilesWithoutReadOrWritePermission) {
  if (geteuid() == 0) GTEST_SKIP() << "root reads and writes files whatever their permissions";
  FaultRig& rig = FaultRig::Get();
  ASSERT_EQ(rig.error(), "");
  ASSERT_EQ(rig.RestoreInstalled(), "");
  ASSERT_EQ(rig.server().Serve("v2"), "");
  const std::string dir = rig.installDir();
  fs::permissions(dir + "many/m020.txt", fs::perms::none);
  fs::permissions(dir + "data/file5.dat", fs::perms::owner_read);
  std::string describe;
  DriveResult r = RunLauncher(rig, {"-a"}, rig.home() + "/../permissions.trace", {}, {}, &describe);
  fs::permissions(dir + "many/m020.txt", fs::perms::owner_all);
  fs::permissions(dir + "data/file5.dat", fs::perms::owner_all);
  std::string problems;
  const int lost = FilesAtNeitherRelease(rig, {"many/m020.txt"}, &problems);
  RecordFaultRun("damaged: no read or write permission", r.ended, lost, int(LeftoverFiles(dir).size()));
  EXPECT_TRUE(r.ended) << describe;
  EXPECT_EQ(lost, 0) << problems;
}

TEST(DamagedState, SucceedFilesThatVouchForDamagedFilesScanAllFilesRepairs) {
  FaultRig& rig = FaultRig::Get();
  ASSERT_EQ(rig.error(), "");
  ASSERT_EQ(rig.RestoreInstalled(), "");
  ASSERT_EQ(rig.server().Serve("v1"), "");
  const std::string dir = rig.installDir();
  ASSERT_TRUE(FileExists(dir + "succeed1.txt") && FileExists(dir + "succeed2.txt"));
  WriteFileText(dir + "data/file3.dat", "damaged on the player's disk");
  fs::remove(dir + "many/m004.txt");
  PlayerPolicy scan;
  scan.menuClicks = {"Scan All Files", "Launch"};
  std::string describe;
  DriveResult r = RunLauncher(rig, {}, rig.home() + "/../scan-all.trace", scan, {}, &describe);
  const InstallCheck check = CheckInstallation(rig.gameDir("v1"), dir, PlayerFiles());
  RecordFaultRun("damaged: succeed files present, Scan All Files", r.ok(), check.lost, check.leftovers);
  EXPECT_TRUE(r.ok()) << describe;
  EXPECT_EQ(check.lost, 0) << check.Text() << "\n" << describe;
  EXPECT_EQ(check.leftovers, 0) << check.Text();
}

TEST(DamagedState, SucceedFilesThatCannotBeWrittenAreWarnedAboutOnce) {
  FaultRig& rig = FaultRig::Get();
  ASSERT_EQ(rig.error(), "");
  ASSERT_EQ(rig.RestoreInstalled(), "");
  ASSERT_EQ(rig.server().Serve("v1"), "");
  const std::string dir = rig.installDir();
  fs::remove(dir + "succeed1.txt");
  fs::remove(dir + "succeed2.txt");
  fs::create_directories(dir + "succeed1.txt");
  fs::create_directories(dir + "succeed2.txt");
  // Nothing to fetch, so one pass and one write of the succeed files (a
  // pass that fetched files is followed by a second, which writes again).
  std::string describe;
  DriveResult r = RunLauncher(rig, {"-a"}, rig.home() + "/../succeed-folders.trace", {}, {}, &describe);
  int warnings = 0;
  for (const std::string& d : r.dialogs) warnings += d.find("write succeed file") != std::string::npos ? 1 : 0;
  const InstallCheck check = CheckInstallation(rig.gameDir("v1"), dir, PlayerFiles());
  RecordFaultRun("damaged: succeed files are folders", r.ended && warnings == 1, check.lost, check.leftovers);
  EXPECT_TRUE(r.ended) << describe;
  EXPECT_EQ(warnings, 1) << describe;
  EXPECT_EQ(check.lost, 0) << check.Text();
}
