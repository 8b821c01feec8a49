// The file-related quorvel-tool commands, run as the real program.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "support/files.h"
#include "support/process.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace {
std::string S(const fs::path& p) { return p.string(); }

class ToolFiles : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    // CTest runs each test of the suite as a process of its own, side by side:
    // each needs a directory of its own.
    scratch = std::make_unique<TempDir>();
    dir = scratch->path();
    std::mt19937 rng(42);
    std::string random(10 * 1000 * 1000, '\0');
    for (char& c : random) c = static_cast<char>(rng());
    static const char* words[] = {"texture ", "zindimgs/back.tga", "\r\n", "Quorvel", " the ", "0", "list", "patch\n"};
    std::string text;
    while (text.size() < 10 * 1000 * 1000) text += words[rng() % 8];
    text.resize(10 * 1000 * 1000);
    files = {{"empty", ""},
             {"one", "x"},
             {"b16383", random.substr(0, 16383)},
             {"b16384", text.substr(0, 16384)},
             {"b16385", random.substr(5, 16385)},
             {"random10m", random},
             {"text10m", text}};
    for (auto& [name, data] : files) WriteFileText(S(dir / name), data);
  }
  static void TearDownTestSuite() { scratch.reset(); }
  static std::unique_ptr<TempDir> scratch;
  static fs::path dir;
  static std::vector<std::pair<std::string, std::string>> files;
};
std::unique_ptr<TempDir> ToolFiles::scratch;
fs::path ToolFiles::dir;
std::vector<std::pair<std::string, std::string>> ToolFiles::files;
}  // namespace

TEST_F(ToolFiles, LzsEncodeDecodeRoundTrip) {
  for (auto& [name, data] : files) {
    fs::path enc = dir / (name + ".lzs"), dec = dir / (name + ".out");
    ASSERT_EQ(RunTool({"lzs", "encode", S(dir / name), S(enc)}).exitCode, 0) << name;
    ASSERT_EQ(RunTool({"lzs", "decode", S(enc), S(dec)}).exitCode, 0) << name;
    EXPECT_TRUE(ReadFileText(S(dec)) == data) << name;
    if (name == "text10m") EXPECT_LT(fs::file_size(enc), data.size() / 3);
    fs::remove(enc);
    fs::remove(dec);
  }
}

TEST_F(ToolFiles, CompressCatRoundTripAndDigests) {
  for (auto& [name, data] : files) {
    fs::path z = dir / (name + ".z"), back = dir / (name + ".back");
    ASSERT_EQ(RunTool({"compress", S(dir / name), S(z)}).exitCode, 0) << name;
    ASSERT_EQ(RunTool({"cat", S(z)}, "", {.outFile = S(back)}).exitCode, 0) << name;
    EXPECT_TRUE(ReadFileText(S(back)) == data) << name;
    // The same digest as md5sum for the plain file; for the compressed one the
    // digest of its contents.
    ProcessResult ours = RunTool({"md5", S(dir / name), S(z)});
    ProcessResult theirs = RunProcess({"md5sum", S(dir / name)});
    ASSERT_EQ(ours.exitCode, 0);
    std::string digest = theirs.out.substr(0, 32);
    EXPECT_EQ(ours.out, theirs.out + digest + "  " + z.string() + "\n") << name;
    fs::remove(z);
    fs::remove(back);
  }
}

// lzs works on the bytes as stored: a compressed container is a byte stream
// like any other, never unpacked first.
TEST_F(ToolFiles, LzsTakesAContainerAsItsBytes) {
  ASSERT_EQ(RunTool({"compress", S(dir / "b16385"), S(dir / "c.z")}).exitCode, 0);
  std::string enc = (dir / "c.lzs").string(), dec = (dir / "c.back").string();
  ASSERT_EQ(RunTool({"lzs", "encode", S(dir / "c.z"), enc}).exitCode, 0);
  ASSERT_EQ(RunTool({"lzs", "decode", S(enc), S(dec)}).exitCode, 0);
  EXPECT_TRUE(ReadFileText(S(dec)) == ReadFileText(S(dir / "c.z")));
  ProcessResult r = RunTool({"lzs", "encode", S(dir), enc}, "", {.errIntoOut = true});
  EXPECT_EQ(r.exitCode, 1) << "a directory is no input";
}

TEST_F(ToolFiles, FailuresGiveOneLineAndStatusOne) {
  ProcessResult r = RunTool({"md5", S(dir / "absent"), S(dir / "one")}, "", {.errIntoOut = true});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.out.find("quorvel-tool: " + (dir / "absent").string() + ": cannot open\n"), std::string::npos);
  EXPECT_NE(r.out.find("  " + (dir / "one").string()), std::string::npos) << "the other files are still digested";

  ASSERT_EQ(RunTool({"compress", S(dir / "b16385"), S(dir / "cut.z")}).exitCode, 0);
  std::string z = ReadFileText(S(dir / "cut.z"));
  WriteFileText(S(dir / "cut.z"), z.substr(0, z.size() - 2));
  r = RunTool({"cat", S(dir / "cut.z")}, "", {.outFile = "/dev/null"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err, "quorvel-tool: bad buffer fill\n");

  // Printed results that cannot be written are a failure too.
  if (fs::exists("/dev/full")) {
    r = RunTool({"md5", S(dir / "one")}, "", {.outFile = "/dev/full"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "quorvel-tool: write error on standard output\n");
  }

  EXPECT_EQ(RunTool({"lzs", "squash", "a", "b"}).exitCode, 1);
  EXPECT_EQ(RunTool({"cat", S(dir / "absent")}).exitCode, 1);
  EXPECT_EQ(RunTool({"lzs", "--help"}).exitCode, 0);
}

TEST_F(ToolFiles, PigCreateListExtract) {
  fs::path sub = dir / "skin";
  fs::create_directories(sub);
  WriteFileText(S(sub / "back.tga"), "BACK");
  WriteFileText(S(sub / "font.fnt"), std::string(70000, 'f'));
  fs::path pig = dir / "skin.pig";
  ASSERT_EQ(RunTool({"pig", "create", S(pig), "back.tga", "./font.fnt"}, S(sub)).exitCode, 0);
  ProcessResult list = RunTool({"pig", "list", S(pig)});
  EXPECT_EQ(list.exitCode, 0);
  EXPECT_EQ(list.out, "         4  back.tga\n     70000  font.fnt\n");
  ASSERT_EQ(RunTool({"pig", "extract", S(pig), "zindimgs\\FONT.FNT", S(dir / "font.out")}).exitCode, 0);
  EXPECT_EQ(ReadFileText(S(dir / "font.out")), std::string(70000, 'f'));
  EXPECT_EQ(RunTool({"pig", "extract", S(pig), "nothing.tga", S(dir / "x")}).exitCode, 1);
  WriteFileText(S(dir / "junk.pig"), "\x10\0\0\0\xff\xff\0\0garbage");
  EXPECT_EQ(RunTool({"pig", "list", S(dir / "junk.pig")}).exitCode, 1);
}
