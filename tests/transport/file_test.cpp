#include "transport/file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/fatal.h"
#include "support/files.h"
#include "support/temp_dir.h"
#include "transport/compressed_file.h"
#include "transport/md5.h"

namespace fs = std::filesystem;

namespace {
const std::string kApp = "Quorvel Online Install/Update Agent";

std::string ReadAll(File& f) {
  std::string s;
  for (int c; (c = f.GetC()) != -1;) s += static_cast<char>(c);
  return s;
}

std::vector<std::string> Names(StrNode* list) {
  std::vector<std::string> v;
  for (StrNode* n = list; n; n = n->next) v.push_back(n->name);
  FreeStrNodeList(list);
  return v;
}

// Each test runs in a fresh current directory with no language, no data
// directory and no CD path override; all of it is restored afterwards.
class FileTest : public testing::Test {
 protected:
  void SetUp() override {
    saved = fs::current_path();
    fs::current_path(dir.path());
    unsetenv("FAKECD");
    LanguageTrack = 0;
    std::strcpy(LanguageString, "English");
    ProgramDataDir[0] = 0;
    ResetCDPathForTests();
  }
  void TearDown() override {
    fs::current_path(saved);
    unsetenv("FAKECD");
    LanguageTrack = 0;
    ProgramDataDir[0] = 0;
    ResetCDPathForTests();
    File::PushedBackInt = -1;
  }
  fs::path saved;
  TempDir dir;
};

class NoCDFile : public File {
 public:
  const char* ModeString() override { return "Nrb"; }
};
class CDOnlyFile : public File {
 public:
  const char* ModeString() override { return "Crb"; }
};
class MustBeCompressedFile : public File {
 public:
  const char* ModeString() override { return "Zrb"; }
};
}  // namespace

TEST_F(FileTest, LanguageVariantIsPreferredAndFallsBack) {
  WriteFileText("zindimgs/back.tga", "general");
  WriteFileText("zindimgs/fr/back.tga", "french");
  WriteFileText("top.txt", "top");
  WriteFileText("fr/top.txt", "top-fr");
  LanguageTrack = 1;
  std::strcpy(LanguageString, "fr");
  {
    File f("zindimgs\\back.tga");
    EXPECT_EQ(ReadAll(f), "french");
    File g("top.txt");  // no directory: the language directory goes in front
    EXPECT_EQ(ReadAll(g), "top-fr");
    File h;
    h.Open("zindimgs/back.tga", 0);  // localisation off
    EXPECT_EQ(ReadAll(h), "general");
  }
  fs::remove("zindimgs/fr/back.tga");
  {
    File f("zindimgs\\back.tga");
    EXPECT_EQ(ReadAll(f), "general");
  }
  LanguageTrack = 0;
  WriteFileText("zindimgs/fr/back.tga", "french");
  File f("zindimgs/back.tga");
  EXPECT_EQ(ReadAll(f), "general");
}

TEST_F(FileTest, MissingFilesAndTheRequiredPrefix) {
  File plain("missing.dat");
  EXPECT_FALSE(plain.IsOpen());
  EXPECT_EQ(plain.FileLength(), -1);
  EXPECT_EQ(plain.GetC(), -1);
  char buf[4];
  EXPECT_EQ(plain.Read(buf, 1, 4), 0u);
  EXPECT_FATAL(RequiredFile r("missing.dat"),
               "Cannot open file missing.dat. Please make sure the " + kApp + " CD-ROM is in the drive.");
  EXPECT_FATAL(RequiredTextFile r("missing.txt"),
               "Cannot open file missing.txt. Please make sure the " + kApp + " CD-ROM is in the drive.");
  WriteFileText("there.dat", "x");
  EXPECT_NO_FATAL(RequiredFile r("there.dat"));
  EXPECT_EQ(FOPEN("missing.dat", "rb"), nullptr);
}

TEST_F(FileTest, CDPathFromFakecdTxt) {
  WriteFileText("fakecd.txt", "D:\r\nignored\n");
  EXPECT_STREQ(GetCDPath("data/"), "D:data/");
  EXPECT_STREQ(GetCDPath("other/"), "D:data/") << "computed once";
  ResetCDPathForTests();
  WriteFileText("fakecd.txt", "cdroot/games\n");
  EXPECT_STREQ(GetCDPath("data/"), "cdroot/games/data/");
  ResetCDPathForTests();
  WriteFileText("fakecd.txt", std::string(100, 'a') + "\n");  // only 79 characters are read
  EXPECT_EQ(std::string(GetCDPath("")), std::string(79, 'a') + "/");
  ResetCDPathForTests();
  setenv("FAKECD", "/mnt/cd/", 1);  // the environment wins
  EXPECT_STREQ(GetCDPath("data/"), "/mnt/cd/data/");
  ResetCDPathForTests();
  unsetenv("FAKECD");
  fs::remove("fakecd.txt");
  EXPECT_STREQ(GetCDPath("data/"), "data/");
  ResetCDPathForTests();
  std::strcpy(ProgramDataDir, "pdd");
  EXPECT_STREQ(GetCDPath(nullptr), "pdd");
}

TEST_F(FileTest, ReadModesFallBackToTheCDPath) {
  WriteFileText("cd/data/only-on-cd.txt", "from cd");
  WriteFileText("cd/data/both.txt", "cd copy");
  WriteFileText("both.txt", "local copy");
  WriteFileText("fakecd.txt", "cd\n");
  std::strcpy(ProgramDataDir, "data");
  {
    File f("only-on-cd.txt");
    EXPECT_EQ(ReadAll(f), "from cd");
    EXPECT_EQ(std::string(TheCDPath), "cd/data/");
    File local("both.txt");
    EXPECT_EQ(ReadAll(local), "local copy");
    CDOnlyFile cdOnly;
    cdOnly.Open("both.txt", 0);
    EXPECT_EQ(ReadAll(cdOnly), "cd copy");
    NoCDFile noCD;
    noCD.Open("only-on-cd.txt", 0);
    EXPECT_FALSE(noCD.IsOpen());
    RequiredFile required("only-on-cd.txt");
    EXPECT_TRUE(required.IsOpen());
    File absent("absent.txt");
    EXPECT_FALSE(absent.IsOpen());
  }
  // A required file found nowhere fails on the CD attempt, with its errno.
  EXPECT_FATAL(RequiredFile r("absent.txt"), "Cannot access file cd/data/absent.txt. Error=2. Please make sure the " +
                                                 kApp + " CD-ROM is in the drive.");
  // Write modes never fall back: the file is created locally.
  {
    OutputFile out("only-on-cd.txt");
    ASSERT_TRUE(out.IsOpen());
    EXPECT_EQ(out.Write("new", 1, 3), 3u);
  }
  EXPECT_TRUE(fs::exists("only-on-cd.txt"));
  EXPECT_EQ(fs::file_size("cd/data/only-on-cd.txt"), 7u);
}

// The probe for the language variant looks where a read looks, the CD path
// included: a variant kept only on the CD beats the general file kept locally.
TEST_F(FileTest, LanguageVariantOnTheCDPathBeatsTheLocalGeneralFile) {
  WriteFileText("zindimgs/back.tga", "local general");
  WriteFileText("cd/data/zindimgs/fr/back.tga", "cd french");
  WriteFileText("cd/data/zindimgs/only.tga", "cd general");
  WriteFileText("fakecd.txt", "cd\n");
  std::strcpy(ProgramDataDir, "data");
  LanguageTrack = 1;
  std::strcpy(LanguageString, "fr");
  {
    File f("zindimgs\\back.tga");
    EXPECT_EQ(ReadAll(f), "cd french");
    RequiredFile required("zindimgs/back.tga");
    EXPECT_EQ(ReadAll(required), "cd french");
    // No variant anywhere: the general file, wherever it is.
    File g("zindimgs/only.tga");
    EXPECT_EQ(ReadAll(g), "cd general");
    // The probe looks only where the opening object may look: a variant
    // that this object could not open is no variant.
    NoCDFile noCD;
    noCD.Open("zindimgs/back.tga", 1);
    EXPECT_EQ(ReadAll(noCD), "local general");
    WriteFileText("zindimgs/fr/only.tga", "local french");
    CDOnlyFile cdOnly;
    cdOnly.Open("zindimgs/only.tga", 1);
    EXPECT_EQ(ReadAll(cdOnly), "cd general");
  }
  // Writes never go to the CD path, so a variant there does not redirect one.
  {
    OutputFile out("zindimgs/back.tga");
    ASSERT_TRUE(out.IsOpen());
    out.Write("new", 1, 3);
  }
  {
    File h;
    h.Open("zindimgs/back.tga", 0);
    EXPECT_EQ(ReadAll(h), "new");
  }
  // The probe is not required, so a required file whose variant exists
  // nowhere still opens its general name.
  fs::remove_all("cd/data/zindimgs/fr");
  EXPECT_NO_FATAL({
    RequiredFile r("zindimgs/back.tga");
    EXPECT_EQ(ReadAll(r), "new");
  });
}

TEST_F(FileTest, FGetsLineRules) {
  struct Case {
    const char* what;
    std::string bytes;
    int n;
    std::vector<const char*> lines;  // null stands for a null return
  } cases[] = {
      {"last line without LF", "one\ntwo", 100, {"one\n", "two", nullptr}},
      {"ends with LF", "one\ntwo\n", 100, {"one\n", "two\n", "", nullptr}},
      {"CR dropped", "a\r\nb", 100, {"a\n", "b", nullptr}},
      {"zero byte ends the file", std::string("ab\0cd\n", 6), 100, {"ab", nullptr}},
      {"long line split at n-1", "abcdefg\n", 4, {"abc", "def", "g\n", "", nullptr}},
      {"n of 1 stores nothing", "ab", 1, {"", "", ""}},
      {"empty file", "", 100, {"", nullptr}},
  };
  for (const Case& c : cases) {
    WriteFileText("lines.txt", c.bytes);
    File f("lines.txt");
    char buf[100];
    for (const char* expected : c.lines) {
      std::memset(buf, 'X', sizeof buf);
      char* got = f.FGets(buf, c.n);
      if (!expected) {
        EXPECT_EQ(got, nullptr) << c.what;
      } else {
        ASSERT_EQ(got, buf) << c.what;
        EXPECT_STREQ(buf, expected) << c.what;
      }
    }
  }
  // Seek clears the at-end flag.
  WriteFileText("lines.txt", "x\n");
  File f("lines.txt");
  char buf[10];
  while (f.FGets(buf, 10)) {
  }
  EXPECT_EQ(f.Seek(0, SEEK_SET), 0);
  ASSERT_NE(f.FGets(buf, 10), nullptr);
  EXPECT_STREQ(buf, "x\n");
}

TEST_F(FileTest, IntegersFloatsAndPushBack) {
  {
    OutputFile out("ints.bin");
    out.FWriteInt(-2);
    out.FWriteULONG(0x01020304);
    out.FWriteFloat(1.5f);
    out.FWriteInt(7);
  }
  std::ifstream raw("ints.bin", std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(raw)), {});
  EXPECT_EQ(bytes.substr(4, 4), std::string("\x04\x03\x02\x01", 4)) << "little-endian on disk";
  File in("ints.bin");
  EXPECT_EQ(in.FReadInt(), -2);
  File::PushBackInt(7);
  EXPECT_EQ(in.FReadInt(), 7) << "pushed back, nothing read";
  EXPECT_EQ(in.FReadULONG(), 0x01020304u);
  EXPECT_EQ(in.FReadFloat(), 1.5f);
  EXPECT_EQ(in.FReadInt(), 7);
  EXPECT_FATAL(in.FReadInt(), "Couldn't read 1 4 byte records, only got 0. Make sure the proper CD is present.");
}

TEST_F(FileTest, ReadsAndMustRead) {
  WriteFileText("ten.bin", "0123456789");
  File f("ten.bin");
  EXPECT_EQ(f.FileLength(), 10);
  char buf[16] = {};
  EXPECT_EQ(f.Read(buf, 3, 2), 2u);
  EXPECT_EQ(std::string(buf, 6), "012345");
  EXPECT_EQ(f.Read(buf, 3, 5), 1u) << "whole records only";
  EXPECT_EQ(f.Seek(8, SEEK_SET), 0);
  EXPECT_FATAL(f.MustRead(buf, 1, 5),
               "Couldn't read 5 1 byte records, only got 2. Make sure the proper CD is present.");
}

TEST_F(FileTest, ReadErrorsEndTheProgram) {
  // The process's own memory opens as a stream, but reading its first page fails.
  File d("/proc/self/mem");
  ASSERT_TRUE(d.IsOpen());
  char buf[4];
  EXPECT_FATAL(d.Read(buf, 1, 4), "Cannot access file. Please make sure the " + kApp + " CD-ROM is in the drive.");
  EXPECT_FATAL(d.GetC(), "Cannot access file. Please make sure the " + kApp + " CD-ROM is in the drive.");
  EXPECT_FATAL(d.FGets(buf, 4), "Cannot access file. Please make sure the " + kApp + " CD-ROM is in the drive.");
}

TEST_F(FileTest, CompressedFilesReadTransparently) {
  std::string text;
  for (int i = 0; i < 3000; ++i) text += "line " + std::to_string(i) + "\r\n";
  std::vector<unsigned char> container;
  ASSERT_TRUE(BuildCompressedFile(reinterpret_cast<const unsigned char*>(text.data()), text.size(), container));
  WriteFileText("packed.txt", std::string(container.begin(), container.end()));

  File f("packed.txt");
  ASSERT_TRUE(f.IsOpen());
  EXPECT_EQ(f.stream, nullptr);
  ASSERT_NE(f.compressed, nullptr);
  EXPECT_EQ(f.FileLength(), static_cast<long>(text.size()));
  char line[64];
  ASSERT_NE(f.FGets(line, sizeof line), nullptr);
  EXPECT_STREQ(line, "line 0\n");
  std::vector<char> rest(text.size());
  unsigned got = f.Read(rest.data(), 1, static_cast<unsigned>(rest.size()));
  EXPECT_EQ(std::string(rest.data(), got), text.substr(8));
  EXPECT_FATAL(f.Seek(0, SEEK_SET), "can't seek in compressed file");
  EXPECT_FATAL(f.Write("x", 1, 1), "can't write to compressed file");

  MustBeCompressedFile z;
  EXPECT_EQ(z.Open("packed.txt", 0), 1);
  WriteFileText("plain.txt", "plain");
  EXPECT_EQ(z.Open("plain.txt", 0), 0) << "a plain file is refused under Z";

  File* viaFopen = FOPEN("packed.txt", "rb");
  ASSERT_NE(viaFopen, nullptr);
  EXPECT_EQ(FGETS(line, sizeof line, viaFopen), line);
  EXPECT_STREQ(line, "line 0\n");
  FCLOSE(viaFopen);

  // A damaged container opened through File ends with the container's text.
  container.resize(container.size() - 3);
  WriteFileText("damaged.txt", std::string(container.begin(), container.end()));
  EXPECT_FATAL(
      {
        File g("damaged.txt");
        ReadAll(g);
      },
      "bad buffer fill");
}

TEST_F(FileTest, FreeFunctionsAndDirectoryConstructor) {
  File* out = FOPEN("out.bin", "wb");
  ASSERT_NE(out, nullptr);
  EXPECT_EQ(FWRITE("abcdef", 2, 3, out), 3u);
  FCLOSE(out);
  File* in = FOPEN("out.bin", "rb");
  ASSERT_NE(in, nullptr);
  char buf[8] = {};
  EXPECT_EQ(FSEEK(in, 2, SEEK_SET), 0);
  EXPECT_EQ(FREAD(buf, 1, 8, in), 4u);
  EXPECT_STREQ(buf, "cdef");
  FCLOSE(in);

  WriteFileText("data/x.txt", "lower");
  File joined("DATA", "X.TXT");
  EXPECT_EQ(ReadAll(joined), "lower");
  {
    AppendFile a("data/x.txt");
    a.Write("+", 1, 1);
  }
  File again("data/x.txt");
  EXPECT_EQ(ReadAll(again), "lower+");
}

// What the platform's stream library allows but a file layer must not pass
// on: a directory that "opens", a pipe that cannot seek back, and a write
// error that shows only when the buffer is flushed at close.
TEST_F(FileTest, DirectoriesPipesAndLateWriteErrors) {
  fs::create_directories("folder");
  File dirAsFile("folder");
  EXPECT_FALSE(dirAsFile.IsOpen());
  unsigned char digest[kMD5Size];
  EXPECT_EQ(GetMD5("folder", digest), 0);
  EXPECT_FATAL(RequiredFile r("folder"),
               "Cannot open file folder. Please make sure the " + kApp + " CD-ROM is in the drive.");

  // A pipe is read whole, its first bytes included.
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  std::string sent;
  for (int i = 0; i < 40; ++i) sent += char('A' + i % 26);
  ASSERT_EQ(write(fds[1], sent.data(), sent.size()), ssize_t(sent.size()));
  close(fds[1]);
  {
    File piped(("/dev/fd/" + std::to_string(fds[0])).c_str());
    ASSERT_TRUE(piped.IsOpen());
    EXPECT_EQ(ReadAll(piped), sent);
  }
  close(fds[0]);

  if (fs::exists("/dev/full")) {
    EXPECT_FALSE(WriteWholeFile("/dev/full", "abc", 3)) << "the full device refuses the bytes at the flush";
  }
  EXPECT_TRUE(WriteWholeFile("fine.bin", "abc", 3));
}

namespace {
// A device that takes only the first bytes of a write and reports a hardware
// failure (EIO) for the rest, as a flaky disk does, then works again.
struct FlakyDevice {
  std::string received;
  size_t acceptBeforeFailing = 0;
  int failuresLeft = 0;
};

ssize_t FlakyWrite(void* cookie, const char* data, size_t size) {
  FlakyDevice& device = *static_cast<FlakyDevice*>(cookie);
  size_t n = size;
  if (device.failuresLeft > 0) {
    --device.failuresLeft;
    n = std::min(size, device.acceptBeforeFailing - device.received.size());
    errno = EIO;
  }
  device.received.append(data, n);
  return static_cast<ssize_t>(n);
}

int g_handlerCalls = 0;
int g_handlerCode = 0;
int RetryingHandler(int code) {
  ++g_handlerCalls;
  g_handlerCode = code;
  return 1;
}
int GivingUpHandler(int) { return 0; }

// An output file whose stream is the flaky device, unbuffered so that every
// write reaches it at once.
void AttachFlakyDevice(File& file, FlakyDevice& device) {
  std::fclose(file.stream);
  cookie_io_functions_t io{};
  io.write = FlakyWrite;
  file.stream = fopencookie(&device, "wb", io);
  ASSERT_NE(file.stream, nullptr);
  std::setvbuf(file.stream, nullptr, _IONBF, 0);
}
}  // namespace

TEST_F(FileTest, CriticalWriteErrorsRetryOrEndTheProgram) {
  // Regression: a retried write sent the whole buffer again, so the records
  // the failed attempt had already written appeared twice in the file.
  {
    FlakyDevice device;
    device.acceptBeforeFailing = 4;
    device.failuresLeft = 1;
    OutputFile out("flaky.bin");
    ASSERT_TRUE(out.IsOpen());
    AttachFlakyDevice(out, device);
    g_handlerCalls = 0;
    ErrorHandling = RetryingHandler;
    EXPECT_EQ(out.Write("abcdefghij", 1, 10), 10u);
    ErrorHandling = nullptr;
    EXPECT_EQ(device.received, "abcdefghij");
    EXPECT_EQ(g_handlerCalls, 1);
    EXPECT_EQ(g_handlerCode, EIO);
  }
  // Whole records: the retry starts at the first record not written.
  {
    FlakyDevice device;
    device.acceptBeforeFailing = 8;
    device.failuresLeft = 1;
    OutputFile out("flaky.bin");
    AttachFlakyDevice(out, device);
    ErrorHandling = RetryingHandler;
    EXPECT_EQ(out.Write("0123456789abcdef", 4, 4), 4u);
    ErrorHandling = nullptr;
    EXPECT_EQ(device.received, "0123456789abcdef");
  }
  // Without a handler, or with one that answers 0, the program stops.
  {
    FlakyDevice device;
    device.acceptBeforeFailing = 1;
    device.failuresLeft = 1;
    OutputFile out("flaky.bin");
    AttachFlakyDevice(out, device);
    EXPECT_FATAL(out.Write("abc", 1, 3), "Critical error occurred during write!");
  }
  {
    FlakyDevice device;
    device.acceptBeforeFailing = 1;
    device.failuresLeft = 1;
    OutputFile out("flaky.bin");
    AttachFlakyDevice(out, device);
    ErrorHandling = GivingUpHandler;
    EXPECT_FATAL(out.Write("abc", 1, 3), "Exit from error handling function requested!\n");
    ErrorHandling = nullptr;
  }
}

TEST_F(FileTest, FindMatchingFileNames) {
  for (const char* n : {"b.CAT", "a.cat", "c.txt", "quorvel1_77.exe", "quorvel1.exe", "quorvel.exe"})
    WriteFileText(n, "");
  WriteFileText("sub/one.dat", "");
  EXPECT_EQ(Names(FindMatchingFileNames("*.cat", 0)), (std::vector<std::string>{"a.cat", "b.CAT"}));
  EXPECT_EQ(Names(FindMatchingFileNames("quorvel1*.exe", 0)),
            (std::vector<std::string>{"quorvel1.exe", "quorvel1_77.exe"}));
  EXPECT_EQ(Names(FindMatchingFileNames("sub\\*.dat", 0)), (std::vector<std::string>{"one.dat"}));
  EXPECT_EQ(Names(FindMatchingFileNames("nothing*", 1)), std::vector<std::string>{});

  WriteFileText("cd/d.cat", "");
  WriteFileText("cd/a.cat", "");
  ResetCDPathForTests();
  setenv("FAKECD", "cd", 1);
  EXPECT_EQ(Names(FindMatchingFileNames("*.cat", 1)), (std::vector<std::string>{"a.cat", "b.CAT", "d.cat"}));
  ResetCDPathForTests();
  setenv("FAKECD", "nowhere", 1);
  EXPECT_EQ(Names(FindMatchingFileNames("*.cat", 0)), (std::vector<std::string>{"a.cat", "b.CAT"}));
  EXPECT_FATAL(FindMatchingFileNames("*.cat", 1), "Error scanning directory. Is the proper CD in the drive?");
}

TEST(Wildcard, Matching) {
  struct Case {
    const char* pattern;
    const char* name;
    bool match;
  } cases[] = {
      {"*", "", true},         {"*", "abc", true},        {"*.cat", "FR.CAT", true},
      {"*.cat", "cat", false}, {"a?c", "abc", true},      {"a?c", "ac", false},
      {"*a*b", "xaxxb", true}, {"*a*b", "xaxxbc", false}, {"quorvel1*.exe", "quorvel1.exe", true},
      {"abc", "abcd", false},  {"**x", "x", true},        {"*.*", "noext", false},
  };
  for (const Case& c : cases) EXPECT_EQ(WildcardMatch(c.pattern, c.name), c.match) << c.pattern << " " << c.name;
}
