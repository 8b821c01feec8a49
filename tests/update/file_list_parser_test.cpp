#include "update/file_list_parser.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/filesystem.h"

namespace {

const std::string kHex = "00112233445566778899aabbccddeeff";
const std::string kHex2 = "ffeeddccbbaa99887766554433221100";

// The name as stored: "/" in the expectation stands for the native separator.
std::string Native(std::string s) {
  for (char& c : s)
    if (c == '/') c = kPathSeparator;
  return s;
}

struct FileCase {
  const char* what;
  std::string line;
  unsigned char flags;  // 0: rejected
  std::string name;
};

}  // namespace

TEST(ParseFileListLine, AcceptsWellFormedLinesAndRejectsTheRest) {
  const std::string longName(259, 'n');
  const std::vector<FileCase> cases = {
      {"plain", "R " + kHex + " data/level1.dat\n", FileRequired, "data/level1.dat"},
      {"no line feed", "R " + kHex + " a.txt", FileRequired, "a.txt"},
      {"kind letters", "O " + kHex + " o\n", FileListedOnly, "o"},
      {"", "D " + kHex + " d\n", FileOnDemand, "d"},
      {"", "C " + kHex + " c\n", FileCreateOnce, "c"},
      {"", "U " + kHex + " u\n", FileUpdateIfPresent, "u"},
      {"digest right after the letter", "R" + kHex + " x\n", FileRequired, "x"},
      {"several spaces", "R   " + kHex + "    x\n", FileRequired, "x"},
      {"spaces inside the name stay", "R " + kHex + " data/my file.txt\n", FileRequired, "data/my file.txt"},
      {"trailing spaces stay", "R " + kHex + " a \n", FileRequired, "a "},
      {"backslashes", "R " + kHex + " data\\sub\\f\n", FileRequired, "data/sub/f"},
      {"only one line feed is removed", "R " + kHex + " a\n\n", FileRequired, "a\n"},
      {"a name of 259 characters", "R " + kHex + " " + longName + "\n", FileRequired, longName},
      {"dots inside names are fine", "R " + kHex + " a/..b/c../.x\n", FileRequired, "a/..b/c../.x"},
      {"a name of 260 characters", "R " + kHex + " " + longName + "n\n", 0, ""},
      {"upper-case P is no patch line and no file line", "P " + kHex + " x\n", 0, ""},
      {"unknown letter", "X " + kHex + " x\n", 0, ""},
      {"lower-case kind letter", "r " + kHex + " x\n", 0, ""},
      {"empty line", "", 0, ""},
      {"line feed only", "\n", 0, ""},
      {"upper-case hex", "R 00112233445566778899AABBCCDDEEFF x\n", 0, ""},
      {"31 digits", "R " + kHex.substr(1) + " x\n", 0, ""},
      {"33 digits", "R " + kHex + "0 x\n", 0, ""},
      {"non-hex digit", "R 0011223344556677889gaabbccddeeff x\n", 0, ""},
      {"ends after the digest", "R " + kHex, 0, ""},
      {"ends after the digest and a line feed", "R " + kHex + "\n", 0, ""},
      {"only spaces for a name", "R " + kHex + "    \n", 0, ""},
      {"absolute name", "R " + kHex + " /etc/passwd\n", 0, ""},
      {"leading backslash", "R " + kHex + " \\windows\\x\n", 0, ""},
      {"drive letter", "R " + kHex + " C:x.dll\n", 0, ""},
      {"drive letter lower case", "R " + kHex + " d:/x\n", 0, ""},
      {"parent component", "R " + kHex + " data/../../x\n", 0, ""},
      {"parent component with backslashes", "R " + kHex + " a\\..\\b\n", 0, ""},
      {"name is ..", "R " + kHex + " ..\n", 0, ""},
      {"name ends in ..", "R " + kHex + " a/..\n", 0, ""},
  };
  for (const FileCase& c : cases) {
    SCOPED_TRACE(std::string(c.what) + ": " + c.line);
    std::unique_ptr<ZindleFileListEntry> e(ParseFileListLine(c.line.c_str()));
    if (!c.flags) {
      EXPECT_EQ(e, nullptr);
      continue;
    }
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->flags, c.flags);
    EXPECT_EQ(e->next, nullptr);
    EXPECT_EQ(std::string(e->name), Native(c.name));
    const unsigned char want[16] = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77,
                                    0x88, 0x99, 0xaa, 0xbb, 0xcc, 0xdd, 0xee, 0xff};
    EXPECT_EQ(std::memcmp(e->digest, want, 16), 0);
  }
}

TEST(ParsePatchLine, ReadsAllFieldsAndRejectsMalformedOnes) {
  std::unique_ptr<ZindlePatchEntry> p(
      ParsePatchLine(("p " + kHex + " " + kHex2 + " 12345 patches/a.pat data/my file.dat\n").c_str()));
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->resultDigest[0], 0x00);
  EXPECT_EQ(p->resultDigest[15], 0xff);
  EXPECT_EQ(p->sourceDigest[0], 0xff);
  EXPECT_EQ(p->sourceDigest[15], 0x00);
  EXPECT_EQ(p->resultSize, 12345);
  EXPECT_EQ(std::string(p->patchName), Native("patches/a.pat"));
  EXPECT_EQ(std::string(p->targetName), Native("data/my file.dat"));
  EXPECT_EQ(p->next, nullptr);

  // The size is read like atoi: its leading digits.
  p.reset(ParsePatchLine(("p " + kHex + " " + kHex2 + " 77kb a b").c_str()));
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->resultSize, 77);
  p.reset(ParsePatchLine(("p" + kHex + "   " + kHex2 + "   0   a   b\\c\n").c_str()));
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->resultSize, 0);
  EXPECT_EQ(std::string(p->targetName), Native("b/c"));

  const std::string head = "p " + kHex + " " + kHex2 + " ";
  const std::string longToken(260, 'x');
  // Sizes of files beyond 4 GiB are read in full.
  p.reset(ParsePatchLine((head + "5368709120 a.pat b\n").c_str()));
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->resultSize, 5368709120LL);
  for (const std::string& bad : {
           "p " + kHex + " " + kHex2 + "\n",                  // no size or names
           head + "10\n",                                     // no patch name
           head + "10 a.pat\n",                               // no target
           head + "10 a.pat \n",                              // empty target
           head + "-1 a.pat b\n",                             // negative size
           head + "1152921504606846977 a.pat b\n",            // beyond 2^60
           head + longToken + " a.pat b\n",                   // size token too long
           head + "10 " + longToken + " b\n",                 // patch name too long
           head + "10 a.pat " + longToken + "\n",             // target too long
           head + "10 ../a.pat b\n",                          // unsafe patch name
           head + "10 a.pat /etc/passwd\n",                   // unsafe target
           head + "10 a.pat c:\\x\n",                         // drive letter
           "p " + kHex.substr(2) + "AB " + kHex2 + " 1 a b",  // upper-case hex
           "p " + kHex + kHex2 + " 1 a b",                    // digests not separated
           "R " + kHex + " x\n",                              // not a patch line
       }) {
    SCOPED_TRACE(bad);
    EXPECT_EQ(ParsePatchLine(bad.c_str()), nullptr);
  }
}

TEST(IsSafeListName, RefusesNamesThatLeaveTheDirectory) {
  for (const char* ok : {"a", "a/b", "a\\b", "...", "a..", "..a/b", "a/./b", "1:x"})
    EXPECT_TRUE(IsSafeListName(ok)) << ok;
  for (const char* bad : {"", "/", "\\", "/a", "\\a", "A:", "z:b", "..", "../a", "a/../b", "a\\..", "a/..\\b"})
    EXPECT_FALSE(IsSafeListName(bad)) << bad;
}
