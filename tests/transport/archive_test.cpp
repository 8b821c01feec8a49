#include "transport/archive.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/fatal.h"
#include "support/files.h"
#include "support/temp_dir.h"
#include "transport/compressed_file.h"
#include "transport/file.h"

namespace fs = std::filesystem;

namespace {
using Bytes = std::vector<unsigned char>;

ArchiveMember Member(const std::string& name, const std::string& data, bool present = true) {
  return ArchiveMember{name, Bytes(data.begin(), data.end()), present};
}

class ArchiveTest : public testing::Test {
 protected:
  void SetUp() override {
    ResetCDPathForTests();
    LanguageTrack = 0;
  }
  void TearDown() override {
    LanguageTrack = 0;
    std::strcpy(LanguageString, "English");
    ResetCDPathForTests();
  }
  std::string Write(const std::string& name, const Bytes& bytes) {
    std::string p = dir / name;
    WriteFileBytes(p, bytes);
    return p;
  }
  std::string WriteArchive(const std::string& name, const std::vector<ArchiveMember>& members) {
    Bytes bytes;
    std::string error;
    EXPECT_TRUE(BuildArchive(members, bytes, error)) << error;
    return Write(name, bytes);
  }
  // The member's bytes as FindFileInArchive delivers them, or "(none)".
  static std::string Fetch(FileArchive* chain, const char* name) {
    int length = -1;
    File* f = FindFileInArchive(name, chain, &length);
    if (!f) return "(none)";
    std::string s(length, '\0');
    f->MustRead(s.data(), 1, length);
    return s;
  }
  TempDir dir;
};

void PutLE32(Bytes& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<unsigned char>(v >> (8 * i));
}
}  // namespace

TEST_F(ArchiveTest, BareNamesMatchByBaseNameWithoutExtension) {
  std::string pig = WriteArchive("skin.pig", {Member("back", "BACK"), Member("Button", "BTN"), Member("x", "")});
  FileArchive* chain = LoadArchiveList(pig.c_str());
  ASSERT_NE(chain, nullptr);
  EXPECT_FALSE(chain->hasPaths);
  EXPECT_FALSE(chain->hasExtensions);
  EXPECT_EQ(Fetch(chain, "zindimgs\\Back.TGA"), "BACK");
  EXPECT_EQ(Fetch(chain, "other/dir/button.png"), "BTN");
  EXPECT_EQ(Fetch(chain, "x"), "");
  EXPECT_EQ(Fetch(chain, "backs"), "(none)");
  EXPECT_EQ(Fetch(chain, "bac"), "(none)");
  FreeArchiveList(chain);
}

TEST_F(ArchiveTest, PathNamesMatchWithEitherSeparatorAndAnyCase) {
  std::string pig =
      WriteArchive("a.pig", {Member("a\\b.tga", "AB"), Member("c/d.tga", "CD"), Member("b.tga", "plain b")});
  FileArchive* chain = LoadArchiveList(pig.c_str());
  ASSERT_NE(chain, nullptr);
  EXPECT_TRUE(chain->hasPaths);
  EXPECT_TRUE(chain->hasExtensions);
  EXPECT_EQ(Fetch(chain, "a\\b.tga"), "AB");
  EXPECT_EQ(Fetch(chain, "A/B.TGA"), "AB");
  EXPECT_EQ(Fetch(chain, "C\\D.tga"), "CD");
  EXPECT_EQ(Fetch(chain, "b.tga"), "plain b");
  EXPECT_EQ(Fetch(chain, "b"), "(none)") << "extensions are kept when names carry them";
  FreeArchiveList(chain);
}

TEST_F(ArchiveTest, LanguageArchiveComesFirst) {
  std::string general = WriteArchive(
      "data.pig",
      {Member("both.tga", "general both"), Member("only.tga", "general only"), Member("hole.tga", "general hole")});
  WriteArchive("fr/data.pig", {Member("both.tga", "french both"), Member("hole.tga", "", false)});
  LanguageTrack = 1;
  std::strcpy(LanguageString, "fr");
  FileArchive* chain = LoadArchiveList(general.c_str());
  ASSERT_NE(chain, nullptr);
  ASSERT_NE(chain->next, nullptr);
  EXPECT_EQ(Fetch(chain, "both.tga"), "french both");
  EXPECT_EQ(Fetch(chain, "only.tga"), "general only");
  EXPECT_EQ(Fetch(chain, "hole.tga"), "general hole") << "offset -1 moves on to the next archive";
  FreeArchiveList(chain);

  std::strcpy(LanguageString, "de");  // no such language archive
  chain = LoadArchiveList(general.c_str());
  ASSERT_NE(chain, nullptr);
  EXPECT_EQ(chain->next, nullptr);
  EXPECT_EQ(Fetch(chain, "both.tga"), "general both");
  FreeArchiveList(chain);
  EXPECT_EQ(LoadArchiveList((dir / "absent.pig").c_str()), nullptr);
}

// A name stored twice: the first occurrence decides. When it is a hole
// (offset -1), the later copy in the same archive is never used; the search
// moves on to the next archive of the chain.
TEST_F(ArchiveTest, FirstOccurrenceOfANameDecidesEvenWhenItIsAHole) {
  std::string general = WriteArchive("dup.pig", {Member("twice.tga", "general twice")});
  WriteArchive("fr/dup.pig", {Member("twice.tga", "", false), Member("TWICE.TGA", "french second copy")});
  LanguageTrack = 1;
  std::strcpy(LanguageString, "fr");
  FileArchive* chain = LoadArchiveList(general.c_str());
  ASSERT_NE(chain, nullptr);
  ASSERT_NE(chain->next, nullptr);
  EXPECT_EQ(chain->FindOffset("twice.tga"), -1);
  EXPECT_EQ(Fetch(chain, "twice.tga"), "general twice");
  FreeArchiveList(chain);

  // Alone, the archive with the hole first does not hold the member at all;
  // with the copy first, the copy is found.
  std::string holeFirst =
      WriteArchive("alone.pig", {Member("twice.tga", "", false), Member("twice.tga", "second copy")});
  std::string copyFirst = WriteArchive("copy.pig", {Member("twice.tga", "first copy"), Member("twice.tga", "", false)});
  LanguageTrack = 0;
  chain = LoadArchiveList(holeFirst.c_str());
  ASSERT_NE(chain, nullptr);
  int length = 7;
  EXPECT_EQ(FindFileInArchive("twice.tga", chain, &length), nullptr);
  EXPECT_EQ(length, 7) << "nothing is stored for a member that is not found";
  FreeArchiveList(chain);
  chain = LoadArchiveList(copyFirst.c_str());
  ASSERT_NE(chain, nullptr);
  EXPECT_EQ(Fetch(chain, "twice.tga"), "first copy");
  FreeArchiveList(chain);
}

TEST_F(ArchiveTest, DamagedArchivesAreDiscardedOrStop) {
  Bytes good;
  std::string error;
  ASSERT_TRUE(BuildArchive({Member("one", "11111"), Member("two", "22")}, good, error));
  // good: N=2, S=8, names at 8..15, offsets at 16 and 20, entries from 24.
  auto with = [&](size_t at, uint32_t value) {
    Bytes b = good;
    PutLE32(b, at, value);
    return b;
  };
  struct Case {
    const char* what;
    Bytes bytes;
  } discarded[] = {
      {"negative count", with(0, 0xFFFFFFFF)},      {"huge count", with(0, 0x40000000)},
      {"name block past the end", with(4, 1000)},   {"negative name block", with(4, 0x80000000)},
      {"offset past the end", with(16, 5000)},      {"offset inside the tables", with(20, 8)},
      {"entry length past the end", with(24, 100)}, {"negative entry length", with(24, 0xFFFFFFF0)},
  };
  for (const Case& c : discarded) {
    std::string pig = Write("bad.pig", c.bytes);
    FileArchive* chain = nullptr;
    EXPECT_NO_FATAL(chain = LoadArchiveList(pig.c_str())) << c.what;
    EXPECT_EQ(chain, nullptr) << c.what;
  }
  // Found by fuzzing: a file that ends inside the name-block size. The stop
  // must also free the half-loaded archive.
  std::string shortPig = std::string(QUORVEL_SOURCE_DIR) + "/tests/transport/data/archive_truncated_header.pig";
  EXPECT_FATAL(LoadArchiveList(shortPig.c_str()),
               "Couldn't read 1 4 byte records, only got 0. Make sure the proper CD is present.");

  // More names in the block than members: the extra names are never used.
  std::string pig = Write("extra.pig", with(0, 1));
  FileArchive* chain = LoadArchiveList(pig.c_str());
  ASSERT_NE(chain, nullptr);
  EXPECT_EQ(Fetch(chain, "two"), "(none)");
  FreeArchiveList(chain);
}

TEST_F(ArchiveTest, CompressedArchiveIsDiscarded) {
  Bytes archive;
  std::string error;
  ASSERT_TRUE(BuildArchive({Member("one", "1")}, archive, error));
  Bytes packed;
  ASSERT_TRUE(BuildCompressedFile(archive.data(), archive.size(), packed));
  std::string pig = Write("packed.pig", packed);
  EXPECT_EQ(LoadArchiveList(pig.c_str()), nullptr) << "members are reached by seeking";
}

TEST(ArchiveWriter, RefusesNamesTheReaderCannotFind) {
  Bytes out;
  std::string error;
  EXPECT_FALSE(BuildArchive({Member("", "x")}, out, error));
  EXPECT_FALSE(BuildArchive({Member(std::string("a\0b", 3), "x")}, out, error));
  EXPECT_TRUE(BuildArchive({}, out, error));
  EXPECT_EQ(out, Bytes(8, 0));
}
