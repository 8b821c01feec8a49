// quorvel-tool package: what a player unpacks and starts the launcher from.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <set>
#include <sstream>

#include "support/files.h"
#include "support/temp_dir.h"
#include "tool/release_fixture.h"

namespace fs = std::filesystem;

namespace {
class Package : public testing::Test {
 protected:
  void SetUp() override {
    WriteTree(tmp_ / "game", {{"quorvel1.exe", "game"},
                              {"data/level.dat", Noise(70000, 1)},
                              {"data/extra.dat", "on demand"},
                              {"docs/notes.txt", "listed only"},
                              {"decks/starter.deck", "deck"}});
    WriteFileText(tmp_ / "rules", "D data/extra.dat\nO docs/*\nC decks/*\n");
    ProcessResult r = Tool({"publish", tmp_ / "game", tmp_ / "rel", "--rules", tmp_ / "rules"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
  }
  TempDir tmp_;
};
}  // namespace

TEST_F(Package, HoldsFilesInsTheInstalledFilesTheLauncherAndItsSkinAndItsTarListsTheSame) {
  ProcessResult r = Tool({"package", tmp_ / "rel", tmp_ / "pkg", "--tar", tmp_ / "pkg.tar.gz"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const std::map<std::string, std::string> master = ListedFiles(tmp_ / "rel/master.lst");
  const std::map<std::string, std::string> ins = ListedFiles(tmp_ / "pkg/files.ins");
  const FileMap tree = ReadTree(tmp_ / "pkg");
  std::map<std::string, std::string> expected;
  for (const auto& [name, kindHex] : master)
    if (kindHex[0] == 'R' || kindHex[0] == 'C') expected[name] = kindHex;
  EXPECT_EQ(ins, expected);
  for (const auto& [name, kindHex] : ins) EXPECT_EQ(Md5Hex(tree.at(name)), kindHex.substr(2)) << name;
  EXPECT_FALSE(tree.count("data/extra.dat"));
  EXPECT_FALSE(tree.count("docs/notes.txt"));
  for (const char* needed : {"quorvel.exe", "quorvel1.exe", "zindimgs/txtr.ctl", "backgrnd/galvtile.tga",
                             "FRANCAIS.CAT", "decks/starter.deck"})
    EXPECT_TRUE(tree.count(needed)) << needed;
  struct stat st {};
  ASSERT_EQ(stat((tmp_ / "pkg/quorvel.exe").c_str(), &st), 0);
  EXPECT_TRUE(st.st_mode & S_IXUSR);

  ProcessResult list = RunProcess({"/bin/tar", "-tzf", tmp_ / "pkg.tar.gz"});
  ASSERT_EQ(list.exitCode, 0) << list.err;
  std::set<std::string> inTar, inDir;
  std::istringstream lines(list.out);
  for (std::string line; std::getline(lines, line);)
    if (line.back() != '/') inTar.insert(line);
  for (const auto& [name, data] : tree) inDir.insert("pkg/" + name);
  EXPECT_EQ(inTar, inDir);
  fs::create_directories(tmp_ / "unpacked");
  ProcessResult unpack = RunProcess({"/bin/tar", "-xzf", tmp_ / "pkg.tar.gz", "-C", tmp_ / "unpacked"});
  ASSERT_EQ(unpack.exitCode, 0) << unpack.err;
  EXPECT_TRUE(ReadTree(tmp_ / "unpacked/pkg") == tree);
  ASSERT_EQ(stat((tmp_ / "unpacked/pkg/quorvel.exe").c_str(), &st), 0);
  EXPECT_TRUE(st.st_mode & S_IXUSR);
}

TEST_F(Package, AnotherLauncherIsCarriedWithItsOwnDigest) {
  WriteFileText(tmp_ / "other.exe", "another launcher");
  ProcessResult r = Tool({"package", tmp_ / "rel", tmp_ / "pkg", "--launcher", tmp_ / "other.exe"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(ReadFileText(tmp_ / "pkg/quorvel.exe"), "another launcher");
  EXPECT_EQ(ListedFiles(tmp_ / "pkg/files.ins")["quorvel.exe"], "R " + Md5Hex("another launcher"));
}

TEST_F(Package, ADamagedReleaseOrAForeignFolderIsRefusedAndTheOldPackageStays) {
  ASSERT_EQ(Tool({"package", tmp_ / "rel", tmp_ / "pkg"}).exitCode, 0);
  const FileMap before = ReadTree(tmp_ / "pkg");
  std::string level = ReadFileText(tmp_ / "rel/data/level.dat");
  level[1234] ^= 1;
  WriteFileText(tmp_ / "rel/data/level.dat", level);
  ProcessResult r = Tool({"package", tmp_ / "rel", tmp_ / "pkg", "--tar", tmp_ / "pkg.tar.gz"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("data/level.dat does not have its listed digest"), std::string::npos) << r.err;
  EXPECT_TRUE(ReadTree(tmp_ / "pkg") == before);
  EXPECT_FALSE(fs::exists(tmp_ / "pkg.tar.gz"));
  EXPECT_EQ(EntriesStartingWith(tmp_.path(), ".pkg."), std::vector<std::string>());

  ProcessResult foreign = Tool({"package", tmp_ / "rel", tmp_ / "game"});
  EXPECT_EQ(foreign.exitCode, 1);
  EXPECT_NE(foreign.err.find("holds no files.ins"), std::string::npos) << foreign.err;
  EXPECT_EQ(Tool({"package", tmp_ / "nowhere", tmp_ / "pkg2"}).exitCode, 1);
}
