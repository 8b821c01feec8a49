// quorvel-tool verify on a release folder: a good release passes, and each
// kind of damage is reported on a line of its own with exit status 1.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "tool/release_fixture.h"

namespace fs = std::filesystem;

namespace {
class Verify : public testing::Test {
 protected:
  void SetUp() override {
    const std::string base = Noise(120000, 5);
    WriteTree(tmp_ / "g1", {{"quorvel1.exe", "v1"}, {"data/big.dat", base}, {"data/b.dat", "b"}});
    WriteTree(tmp_ / "g2", {{"quorvel1.exe", "v2"},
                            {"data/big.dat", base.substr(0, 60000) + "2" + base.substr(60000)},
                            {"data/b.dat", "b"}});
    WriteFileText(tmp_ / "tos", "terms");
    ASSERT_EQ(Tool({"publish", tmp_ / "g1", tmp_ / "v1", "--no-launcher", "--tos", tmp_ / "tos"}).exitCode, 0);
    ProcessResult r =
        Tool({"publish", tmp_ / "g2", tmp_ / "v2", "--no-launcher", "--tos", tmp_ / "tos", "--previous", tmp_ / "v1"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    ASSERT_EQ(ListedPatches(tmp_ / "v2/updated.lst").size(), 1u);
    patch_ = tmp_ / ("v2/" + ListedPatches(tmp_ / "v2/updated.lst")[0].patch);
  }
  ProcessResult Check() { return Tool({"verify", tmp_ / "v2", "--previous", tmp_ / "v1"}); }
  // The problem lines of a failed check.
  std::vector<std::string> Problems() {
    ProcessResult r = Check();
    EXPECT_EQ(r.exitCode, 1) << r.out;
    std::vector<std::string> lines;
    std::istringstream in(r.out);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }
  TempDir tmp_;
  std::string patch_;
};

bool AnyContains(const std::vector<std::string>& lines, const std::string& text) {
  for (const std::string& l : lines)
    if (l.find(text) != std::string::npos) return true;
  return false;
}
}  // namespace

TEST_F(Verify, AGoodReleasePassesWithItsPatchApplied) {
  ProcessResult r = Check();
  EXPECT_EQ(r.exitCode, 0) << r.out;
  EXPECT_EQ(r.out, "ok: 3 files, 1 patches (1 applied to earlier versions)\n");
  EXPECT_EQ(Tool({"verify", tmp_ / "v1"}).exitCode, 0);
}

TEST_F(Verify, AChangedByteAndAMissingFileAreEachOneLine) {
  std::string big = ReadFileText(tmp_ / "v2/data/big.dat");
  big[77] ^= 0x20;
  WriteFileText(tmp_ / "v2/data/big.dat", big);
  fs::remove(tmp_ / "v2/data/b.dat");
  fs::remove(tmp_ / "v2/tos.txt");
  std::vector<std::string> p = Problems();
  EXPECT_EQ(p.size(), 3u);
  EXPECT_TRUE(AnyContains(p, "data/big.dat: digest "));
  EXPECT_TRUE(AnyContains(p, "data/b.dat: missing"));
  EXPECT_TRUE(AnyContains(p, "tos.txt: missing"));
}

TEST_F(Verify, ABadPatchIsCaught) {
  std::string good = ReadFileText(patch_);
  // A changed byte: decodes to the right size, but not to the right file.
  std::string changed = good;
  changed[changed.size() - 1] ^= 1;
  WriteFileText(patch_, changed);
  std::vector<std::string> p = Problems();
  ASSERT_EQ(p.size(), 1u);
  EXPECT_TRUE(p[0].find("for data/big.dat: applied to ") != std::string::npos ||
              p[0].find("for data/big.dat: does not apply to ") != std::string::npos)
      << p[0];
  // Cut short: found without the earlier release.
  WriteFileText(patch_, good.substr(0, good.size() - 3));
  ProcessResult r = Tool({"verify", tmp_ / "v2"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(r.out.find("cut short") != std::string::npos || r.out.find("decodes to") != std::string::npos) << r.out;
  fs::remove(patch_);
  EXPECT_TRUE(AnyContains(Problems(), "for data/big.dat: missing"));
}

TEST_F(Verify, UnsafeNamesAndLinesTheLauncherWouldSkipAreCaught) {
  const std::string hex = Md5Hex("b");
  std::string updated = ReadFileText(tmp_ / "v2/updated.lst");  // three lines
  updated += "R " + hex + " ../outside.dat\n";
  updated += "R " + hex + " /etc/passwd\n";
  updated += "R " + hex + " data/" + std::string(240, 'x') + "\n";
  updated += "R " + hex + " data/CON.dat\n";  // served, but no Windows player can store it
  WriteFileText(tmp_ / "v2/data/CON.dat", "b");
  updated += "# a comment\n";
  updated += "p " + hex + " " + hex + " 1 patches/x.pat ../../evil\n";
  WriteFileText(tmp_ / "v2/updated.lst", updated);
  std::vector<std::string> p = Problems();
  EXPECT_EQ(p.size(), 6u) << testing::PrintToString(p);
  EXPECT_TRUE(AnyContains(p, "updated.lst line 4: name \"../outside.dat\": unsafe"));
  EXPECT_TRUE(AnyContains(p, "updated.lst line 5: name \"/etc/passwd\": unsafe"));
  EXPECT_TRUE(AnyContains(p, "updated.lst line 6: longer than 255"));
  EXPECT_TRUE(AnyContains(p, "data/CON.dat: \"CON.dat\" is the Windows device CON"));
  EXPECT_TRUE(AnyContains(p, "updated.lst line 8: neither a file nor a patch line"));
  EXPECT_TRUE(AnyContains(p, "updated.lst line 9: not a valid patch line"));
}

TEST_F(Verify, PatchesThatCanNeverBeUsedAreCaught) {
  const std::string hex = Md5Hex("b");
  ParsedPatch real = ListedPatches(tmp_ / "v2/updated.lst")[0];
  std::string updated = ReadFileText(tmp_ / "v2/updated.lst");
  // Same source digest as the real patch, for a file not listed, promising a
  // result the list does not want.
  updated += "p " + hex + " " + real.source + " 1 patches\\00001.pat data\\gone.dat\n";
  WriteFileText(tmp_ / "v2/updated.lst", updated);
  std::vector<std::string> p = Problems();
  EXPECT_TRUE(AnyContains(p, "its target is not listed"));
  EXPECT_TRUE(AnyContains(p, "same source digest"));
  EXPECT_TRUE(AnyContains(p, "decodes to"));
}
