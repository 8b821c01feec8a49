// quorvel-tool list and patch, run as a program.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "support/files.h"
#include "support/process.h"
#include "support/temp_dir.h"

namespace {

class ToolTest : public ::testing::Test {
 protected:
  std::string Path(const std::string& name) const { return dir_ / name; }
  void Write(const std::string& name, const std::string& data) const { WriteFileText(Path(name), data); }
  std::string ReadBack(const std::string& name) const { return ReadFileText(Path(name)); }
  // Runs the tool in the scratch directory; returns the exit status and fills
  // out with standard output and error.
  int Tool(const std::vector<std::string>& args, std::string& out) const {
    ProcessResult r = RunTool(args, dir_.path(), {.errIntoOut = true});
    out = r.out;
    return r.exitCode;
  }
  TempDir dir_;
};

const std::string kA = "0123456789abcdef0123456789abcdef";
const std::string kZ = "00000000000000000000000000000000";

}  // namespace

TEST_F(ToolTest, ListParseAndMergePrintEntriesInListOrder) {
  Write("master.lst", "R " + kA + " data\\a b\r\n" + "C " + kZ + " c/d\n" + "R " + kA + " ../evil\n" + "p " + kA + " " +
                          kZ + " 5 x.pat data/a b\n");
  Write("updated.lst", "U " + kA + " c\\d\n" + "O " + kZ + " new\n");
  std::string out;
  ASSERT_EQ(Tool({"list", "parse", "master.lst"}, out), 0) << out;
  EXPECT_EQ(out, "C " + kZ + " c/d\n" + "R " + kA + " data/a b\n" + "p " + kA + " " + kZ + " 5 x.pat data/a b\n");
  ASSERT_EQ(Tool({"list", "merge", "master.lst", "updated.lst"}, out), 0) << out;
  EXPECT_EQ(out, "O " + kZ + " new\n" + "U " + kA + " c/d\n" + "R " + kA + " data/a b\n" + "p " + kA + " " + kZ +
                     " 5 x.pat data/a b\n");
  EXPECT_EQ(Tool({"list", "parse", "missing.lst"}, out), 1);
  EXPECT_NE(out.find("quorvel-tool: Cannot open file missing.lst"), std::string::npos) << out;
}

TEST_F(ToolTest, PatchMakeAndApplyRoundTripAndCheckTheSize) {
  std::mt19937 rng(11);
  std::string old(300000, 0);
  for (char& c : old) c = static_cast<char>(rng());
  std::string neu = old.substr(150000) + "inserted" + old.substr(0, 140000);
  Write("old", old);
  Write("new", neu);
  std::string out;
  ASSERT_EQ(Tool({"patch", "make", "old", "new", "p"}, out), 0) << out;
  EXPECT_LT(ReadBack("p").size(), 200u);
  ASSERT_EQ(Tool({"patch", "apply", "old", "p", "out"}, out), 0) << out;
  EXPECT_TRUE(ReadBack("out") == neu);
  ASSERT_EQ(Tool({"patch", "apply", "old", "p", "out2", "--size", std::to_string(neu.size())}, out), 0) << out;
  EXPECT_TRUE(ReadBack("out2") == neu);

  // The wrong size: within the 1024 bytes of slack the length is wrong, past
  // it the stream overflows the buffer; either way nothing is written.
  EXPECT_EQ(Tool({"patch", "apply", "old", "p", "out3", "--size", std::to_string(neu.size() - 1)}, out), 1);
  EXPECT_NE(out.find("expected"), std::string::npos) << out;
  EXPECT_EQ(Tool({"patch", "apply", "old", "p", "out3", "--size", std::to_string(neu.size() - 2000)}, out), 1);
  EXPECT_NE(out.find("bad patch"), std::string::npos) << out;
  EXPECT_FALSE(std::filesystem::exists(Path("out3")));
  // Applied to the wrong old file, the copies run outside it.
  Write("short", old.substr(0, 1000));
  EXPECT_EQ(Tool({"patch", "apply", "short", "p", "out3"}, out), 1);
  EXPECT_FALSE(std::filesystem::exists(Path("out3")));
  EXPECT_EQ(Tool({"patch", "apply", "old", "p", "out3", "--size", "-4"}, out), 1);
  // A directory is refused by name, not by a failed allocation.
  EXPECT_EQ(Tool({"patch", "make", "old", ".", "p2"}, out), 1);
  EXPECT_NE(out.find("cannot read .: Is a directory"), std::string::npos) << out;
}
