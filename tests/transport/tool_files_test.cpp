// The file-related quorvel-tool commands, run as the real program.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {
struct Result {
  int status;
  std::string out;
};

Result Shell(const std::string& command) {
  Result r{-1, ""};
  FILE* p = popen(command.c_str(), "r");
  if (!p) return r;
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
  int raw = pclose(p);
  r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return r;
}

std::string Tool() { return std::string("'") + QUORVEL_TOOL + "'"; }
std::string Q(const fs::path& p) { return "'" + p.string() + "'"; }

std::string ReadFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), {});
}
void WriteFile(const fs::path& p, const std::string& s) { std::ofstream(p, std::ios::binary) << s; }

class ToolFiles : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    // CTest runs each test of the suite as a process of its own, side by side:
    // each needs a directory of its own.
    dir = fs::temp_directory_path() / ("quorvel-tool-files-test-" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
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
    for (auto& [name, data] : files) WriteFile(dir / name, data);
  }
  static void TearDownTestSuite() { fs::remove_all(dir); }
  static fs::path dir;
  static std::vector<std::pair<std::string, std::string>> files;
};
fs::path ToolFiles::dir;
std::vector<std::pair<std::string, std::string>> ToolFiles::files;
}  // namespace

TEST_F(ToolFiles, LzsEncodeDecodeRoundTrip) {
  for (auto& [name, data] : files) {
    fs::path enc = dir / (name + ".lzs"), dec = dir / (name + ".out");
    ASSERT_EQ(Shell(Tool() + " lzs encode " + Q(dir / name) + " " + Q(enc)).status, 0) << name;
    ASSERT_EQ(Shell(Tool() + " lzs decode " + Q(enc) + " " + Q(dec)).status, 0) << name;
    EXPECT_TRUE(ReadFile(dec) == data) << name;
    if (name == "text10m") EXPECT_LT(fs::file_size(enc), data.size() / 3);
    fs::remove(enc);
    fs::remove(dec);
  }
}

TEST_F(ToolFiles, CompressCatRoundTripAndDigests) {
  for (auto& [name, data] : files) {
    fs::path z = dir / (name + ".z"), back = dir / (name + ".back");
    ASSERT_EQ(Shell(Tool() + " compress " + Q(dir / name) + " " + Q(z)).status, 0) << name;
    ASSERT_EQ(Shell(Tool() + " cat " + Q(z) + " > " + Q(back)).status, 0) << name;
    EXPECT_TRUE(ReadFile(back) == data) << name;
    // The same digest as md5sum for the plain file; for the compressed one the
    // digest of its contents.
    Result ours = Shell(Tool() + " md5 " + Q(dir / name) + " " + Q(z));
    Result theirs = Shell("md5sum " + Q(dir / name));
    ASSERT_EQ(ours.status, 0);
    std::string digest = theirs.out.substr(0, 32);
    EXPECT_EQ(ours.out, theirs.out + digest + "  " + z.string() + "\n") << name;
    fs::remove(z);
    fs::remove(back);
  }
}

// lzs works on the bytes as stored: a compressed container is a byte stream
// like any other, never unpacked first.
TEST_F(ToolFiles, LzsTakesAContainerAsItsBytes) {
  ASSERT_EQ(Shell(Tool() + " compress " + Q(dir / "b16385") + " " + Q(dir / "c.z")).status, 0);
  std::string enc = (dir / "c.lzs").string(), dec = (dir / "c.back").string();
  ASSERT_EQ(Shell(Tool() + " lzs encode " + Q(dir / "c.z") + " " + Q(enc)).status, 0);
  ASSERT_EQ(Shell(Tool() + " lzs decode " + Q(enc) + " " + Q(dec)).status, 0);
  EXPECT_TRUE(ReadFile(dec) == ReadFile(dir / "c.z"));
  Result r = Shell(Tool() + " lzs encode " + Q(dir) + " " + Q(enc) + " 2>&1");
  EXPECT_EQ(r.status, 1) << "a directory is no input";
}

TEST_F(ToolFiles, FailuresGiveOneLineAndStatusOne) {
  Result r = Shell(Tool() + " md5 " + Q(dir / "absent") + " " + Q(dir / "one") + " 2>&1");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("quorvel-tool: " + (dir / "absent").string() + ": cannot open\n"), std::string::npos);
  EXPECT_NE(r.out.find("  " + (dir / "one").string()), std::string::npos) << "the other files are still digested";

  ASSERT_EQ(Shell(Tool() + " compress " + Q(dir / "b16385") + " " + Q(dir / "cut.z")).status, 0);
  std::string z = ReadFile(dir / "cut.z");
  WriteFile(dir / "cut.z", z.substr(0, z.size() - 2));
  r = Shell(Tool() + " cat " + Q(dir / "cut.z") + " 2>&1 >/dev/null");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "quorvel-tool: bad buffer fill\n");

  // Printed results that cannot be written are a failure too.
  if (fs::exists("/dev/full")) {
    r = Shell(Tool() + " md5 " + Q(dir / "one") + " 2>&1 >/dev/full");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "quorvel-tool: write error on standard output\n");
  }

  EXPECT_EQ(Shell(Tool() + " lzs squash a b 2>/dev/null").status, 1);
  EXPECT_EQ(Shell(Tool() + " cat " + Q(dir / "absent") + " 2>/dev/null").status, 1);
  EXPECT_EQ(Shell(Tool() + " lzs --help").status, 0);
}

TEST_F(ToolFiles, PigCreateListExtract) {
  fs::path sub = dir / "skin";
  fs::create_directories(sub);
  WriteFile(sub / "back.tga", "BACK");
  WriteFile(sub / "font.fnt", std::string(70000, 'f'));
  fs::path pig = dir / "skin.pig";
  std::string cd = "cd " + Q(sub) + " && ";
  ASSERT_EQ(Shell(cd + Tool() + " pig create " + Q(pig) + " back.tga ./font.fnt").status, 0);
  Result list = Shell(Tool() + " pig list " + Q(pig));
  EXPECT_EQ(list.status, 0);
  EXPECT_EQ(list.out, "         4  back.tga\n     70000  font.fnt\n");
  ASSERT_EQ(Shell(Tool() + " pig extract " + Q(pig) + " 'zindimgs\\FONT.FNT' " + Q(dir / "font.out")).status, 0);
  EXPECT_EQ(ReadFile(dir / "font.out"), std::string(70000, 'f'));
  EXPECT_EQ(Shell(Tool() + " pig extract " + Q(pig) + " nothing.tga " + Q(dir / "x") + " 2>/dev/null").status, 1);
  WriteFile(dir / "junk.pig", "\x10\0\0\0\xff\xff\0\0garbage");
  EXPECT_EQ(Shell(Tool() + " pig list " + Q(dir / "junk.pig") + " 2>/dev/null").status, 1);
}
