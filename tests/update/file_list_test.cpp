#include "update/file_list.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "foundation/association_list.h"
#include "foundation/intrusive_list.h"
#include "platform/filesystem.h"
#include "support/fatal.h"
#include "support/files.h"
#include "support/temp_dir.h"

namespace {

const std::string kA = "0123456789abcdef0123456789abcdef";
const std::string kB = "fedcba9876543210fedcba9876543210";
const std::string kC = "00000000000000000000000000000000";

// A scratch directory (with a trailing separator, as ReadFileList wants) and
// clean global lists for each test.
class FileListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = root_.path() + std::string(1, kPathSeparator);
    ResetUpdateGlobals();
  }
  void TearDown() override {
    WipeList(list_);
    ResetUpdateGlobals();
  }
  void Write(const std::string& name, const std::string& text) { WriteFileText(dir_ + name, text); }
  // The list as "KIND:name" strings in list order.
  std::vector<std::string> Entries(const ZindleFileListEntry* e) const {
    std::vector<std::string> out;
    for (; e; e = e->next) {
      const char kind = e->flags == FileRequired          ? 'R'
                        : e->flags == FileListedOnly      ? 'O'
                        : e->flags == FileOnDemand        ? 'D'
                        : e->flags == FileCreateOnce      ? 'C'
                        : e->flags == FileUpdateIfPresent ? 'U'
                                                          : '?';
      std::string name = e->name;
      for (char& c : name)
        if (c == kPathSeparator) c = '/';
      out.push_back(std::string(1, kind) + ":" + name);
    }
    return out;
  }
  void Read(const std::string& name, unsigned char filter, unsigned char drop = 0, unsigned char all = 0) {
    ReadFileList(name.c_str(), filter, &list_, dir_.c_str(), drop, all);
  }

  TempDir root_;
  std::string dir_;
  ZindleFileListEntry* list_ = nullptr;
};

using Strings = std::vector<std::string>;

}  // namespace

TEST_F(FileListTest, ReadsInReverseOrderInFrontOfTheListWithEitherLineEnding) {
  const std::string lines = "R " + kA + " data/one.dat\n" + "junk line\n" + "\n" + "U " + kB + " two words.txt\n" +
                            "P " + kA + " upper-case P is ignored\n" + "D" + kC + " three";
  Write("lf.lst", lines);
  std::string crlf;
  for (char c : lines) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  Write("crlf.lst", crlf);

  Read("lf.lst", 5);
  const Strings expected = {"D:three", "U:two words.txt", "R:data/one.dat"};
  EXPECT_EQ(Entries(list_), expected);
  ZindleFileListEntry* lf = list_;
  list_ = nullptr;
  Read("crlf.lst", 5);
  EXPECT_EQ(Entries(list_), expected);
  EXPECT_EQ(std::memcmp(list_->digest, lf->digest, 16), 0);
  WipeList(lf);

  // A second read goes in front of what the list already holds.
  Write("more.lst", "O " + kA + " four\n");
  Read("more.lst", 5);
  EXPECT_EQ(Entries(list_), (Strings{"O:four", "D:three", "U:two words.txt", "R:data/one.dat"}));
}

TEST_F(FileListTest, KindFilterAndDroppingExistingCreateOnceFiles) {
  Write("exists.cfg", "x");
  Write("list.lst", "R " + kA + " exists.cfg\n" + "C " + kA + " exists.cfg\n" + "C " + kA + " missing.cfg\n" + "D " +
                        kA + " d\n" + "O " + kA + " o\n" + "U " + kA + " u\n");
  Read("list.lst", FileCreateOnce);
  EXPECT_EQ(Entries(list_), (Strings{"D:d", "C:missing.cfg", "C:exists.cfg"}));
  WipeList(list_);
  Read("list.lst", FileCreateOnce, /*drop=*/1);
  EXPECT_EQ(Entries(list_), (Strings{"D:d", "C:missing.cfg"}));
  WipeList(list_);
  // Other filters admit every kind; existing R files stay.
  Read("list.lst", 0x25, /*drop=*/1);
  EXPECT_EQ(Entries(list_), (Strings{"U:u", "O:o", "D:d", "C:missing.cfg", "R:exists.cfg"}));
  WipeList(list_);
  // readAll ignores both the filter and the drop rule.
  Read("list.lst", FileCreateOnce, /*drop=*/1, /*all=*/1);
  EXPECT_EQ(ListLength(list_), 6);
}

// The existence test for a create-once file looks under the list's
// directory, where the file is installed, not in the current directory.
TEST_F(FileListTest, CreateOnceFilesAreLookedForUnderTheListsDirectory) {
  struct CurrentDirectoryScope {
    std::filesystem::path saved = std::filesystem::current_path();
    ~CurrentDirectoryScope() { std::filesystem::current_path(saved); }
  } restore;
  TempDir cwdDir;
  const std::string& cwd = cwdDir.path();
  std::filesystem::create_directories(cwd + "/cfg");
  WriteFileText(cwd + "/cfg/here.cfg", "only in the current directory");
  std::filesystem::create_directories(dir_ + "cfg");
  Write("cfg/there.cfg", "only under the directory");
  const std::string lines = "C " + kA + " cfg/here.cfg\n" + "C " + kA + " cfg\\there.cfg\n";
  Write("list.lst", lines);
  std::filesystem::current_path(cwd);
  Read("list.lst", FileCreateOnce, /*drop=*/1);
  EXPECT_EQ(Entries(list_), (Strings{"C:cfg/here.cfg"}));
  WipeList(list_);
  // Without a directory the list and its files are in the current directory.
  WriteFileText("list.lst", lines);
  ReadFileList("list.lst", FileCreateOnce, &list_, nullptr, 1, 0);
  EXPECT_EQ(Entries(list_), (Strings{"C:cfg/there.cfg"}));
  std::filesystem::current_path(restore.saved);
}

TEST_F(FileListTest, PatchLinesGoToPatchListNewestFirstOnlyWhileEnabled) {
  Write("master.lst", "p " + kA + " " + kB + " 100 a.pat a.dat\n" + "R " + kA + " a.dat\n" + "p " + kB + " " + kC +
                          " 200 b.pat b.dat\n" + "p " + kC + " " + kC + " -5 c.pat c.dat\n");
  Write("updated.lst", "p " + kC + " " + kB + " 300 c.pat a.dat\n");
  Read("master.lst", FileCreateOnce);  // patch lines pass any filter
  EXPECT_EQ(Entries(list_), Strings{});
  Read("updated.lst", 5);
  ASSERT_EQ(ListLength(PatchList), 3);
  EXPECT_STREQ(PatchList->patchName, "c.pat");
  EXPECT_EQ(PatchList->resultSize, 300);
  EXPECT_STREQ(PatchList->next->patchName, "b.pat");
  EXPECT_STREQ(PatchList->next->next->patchName, "a.pat");

  // Selection is by source digest, newest first.
  unsigned char digest[16];
  std::memset(digest, 0xAA, 16);
  EXPECT_EQ(GetMatchingPatch(digest), nullptr);
  std::memcpy(digest, PatchList->sourceDigest, 16);  // kB: a.pat (old) and c.pat (new)
  EXPECT_EQ(GetMatchingPatch(digest), PatchList);

  PatchesEnabled = 0;
  ZindlePatchEntry* before = PatchList;
  Read("master.lst", 5);
  EXPECT_EQ(PatchList, before);
  EXPECT_EQ(ListLength(PatchList), 3);
}

TEST_F(FileListTest, LongLinesZeroBytesAndMissingLists) {
  // 255 characters before the line feed still fit; 256 do not, and the tail
  // of the long line is not read as a line of its own.
  const std::string head = "R " + kA + " ";
  const std::string fits = std::string(255 - head.size(), 'f');
  const std::string tail = "R " + kB + " tail";
  const std::string tooLong = std::string(256 - head.size() - tail.size(), 'x') + tail;
  Write("long.lst", head + fits + "\n" + head + tooLong + "\r\n" + "O " + kA + " after\n" + head + fits);
  Read("long.lst", 5);
  EXPECT_EQ(Entries(list_), (Strings{"R:" + fits, "O:after", "R:" + fits}));
  WipeList(list_);

  // A zero byte ends the list.
  Write("zero.lst", "R " + kA + " a\n" + std::string(1, '\0') + "R " + kA + " b\n");
  Read("zero.lst", 5);
  EXPECT_EQ(Entries(list_), Strings{"R:a"});

  const std::optional<std::string> stop = CatchFatal([&] { Read("absent.lst", 5); });
  ASSERT_TRUE(stop.has_value());
  EXPECT_NE(stop->find("Cannot open file"), std::string::npos) << *stop;
}

// Short lists go through the 43-bucket map, long ones through a larger one;
// both must give the same result, so the same case runs padded with fillers.
class IntegrateFilesListsTest : public ::testing::TestWithParam<int> {};

TEST_P(IntegrateFilesListsTest, ChangesMatchesInPlaceAndPutsNewNamesAtTheHead) {
  const int fillers = GetParam();
  auto entry = [](const char* name, unsigned char flags, unsigned char fill, ZindleFileListEntry* next) {
    auto* e = new ZindleFileListEntry{};
    std::strcpy(e->name, name);
    e->flags = flags;
    std::memset(e->digest, fill, 16);
    e->next = next;
    return e;
  };
  // master (list order): a, dup(1), B, dup(2), c
  ZindleFileListEntry* tail = nullptr;
  for (int i = 0; i < fillers; ++i) tail = entry(("filler" + std::to_string(i)).c_str(), FileRequired, 0, tail);
  ZindleFileListEntry* master =
      entry("a", FileRequired, 1,
            entry("dup", FileRequired, 2,
                  entry("B", FileRequired, 3, entry("dup", FileRequired, 4, entry("c", FileRequired, 5, tail)))));
  ZindleFileListEntry* const dup1 = master->next;
  ZindleFileListEntry* const dup2 = dup1->next->next;
  // updated (list order): c, new, dup, b, new(again)
  ZindleFileListEntry* updated =
      entry("c", FileOnDemand, 9,
            entry("new", FileCreateOnce, 7,
                  entry("dup", FileUpdateIfPresent, 8,
                        entry("b", FileListedOnly, 6, entry("new", FileRequired, 10, nullptr)))));
  ZindleFileListEntry* const updatedHead = updated;

  IntegrateFilesLists(master, updated);

  std::vector<std::string> names;
  for (ZindleFileListEntry* e = master; e; e = e->next) names.push_back(e->name);
  ASSERT_EQ(names.size(), 7u + fillers);
  names.resize(7);
  // New names at the head in the order met; "b" differs from "B" only in case.
  EXPECT_EQ(names, (std::vector<std::string>{"b", "new", "a", "dup", "B", "dup", "c"}));
  // The later of two updated entries with one name wins.
  EXPECT_EQ(master->next->flags, FileRequired);
  EXPECT_EQ(master->next->digest[0], 10);
  // Of two master entries with one name, the one met last in list order
  // (nearer the top of the file) is changed.
  EXPECT_EQ(dup2->flags, FileUpdateIfPresent);
  EXPECT_EQ(dup2->digest[15], 8);
  EXPECT_EQ(dup1->flags, FileRequired);
  EXPECT_EQ(dup1->digest[0], 2);
  // A match keeps its place and name and takes flags and digest.
  ZindleFileListEntry* c = master;
  while (std::strcmp(c->name, "c")) c = c->next;
  EXPECT_EQ(c->flags, FileOnDemand);
  EXPECT_EQ(c->digest[7], 9);
  EXPECT_EQ(master->next->next->next->next->next->next, c);
  // The updated list is left as it was.
  EXPECT_EQ(updated, updatedHead);
  EXPECT_EQ(ListLength(updated), 5);
  EXPECT_EQ(updated->flags, FileOnDemand);
  WipeList(master);
  WipeList(updated);
}

INSTANTIATE_TEST_SUITE_P(ShortAndLongLists, IntegrateFilesListsTest, ::testing::Values(0, 2000));

TEST(IntegrateFilesLists, BucketsFollowTheDoublingHash) {
  const AssociationList<const char*, int, 43> map;
  const auto& Map = map;
  EXPECT_EQ(map.BucketCount(), 43u);
  EXPECT_EQ(Map.BucketIndex(""), 0u);
  EXPECT_EQ(Map.BucketIndex("ab"), (97u * 2 + 98) % 43);
  EXPECT_EQ(Map.BucketIndex("\xff"), 255u % 43);  // bytes count as unsigned
  // 40 bytes: the doubling runs past 32 bits and wraps.
  const std::string name(40, 'z');
  uint32_t h = 0;
  for (unsigned char b : name) h = h * 2 + b;
  EXPECT_EQ(Map.BucketIndex(name.c_str()), h % 43);
  EXPECT_NE(h % 43, static_cast<uint32_t>((122ull << 40) % 43));  // not computed in 64 bits
}
