#include "foundation/log.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <regex>
#include <string>

#include "support/files.h"
#include "support/temp_dir.h"

namespace {
// Runs the log in a temporary directory with the given environment, then
// restores the process state.
class LogInDirectory : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(getcwd(old_, sizeof old_), nullptr);
    ASSERT_EQ(chdir(dir_.path().c_str()), 0);
    unsetenv("LOGFILENAME");
    unsetenv("MYIPADR");
    ResetLogForTests();
    LogEnabled = 1;
  }
  void TearDown() override {
    LogEnabled = 0;
    ResetLogForTests();
    unsetenv("LOGFILENAME");
    unsetenv("MYIPADR");
    ASSERT_EQ(chdir(old_), 0);
  }
  TempDir dir_;
  char old_[4096];
};
}  // namespace

TEST_F(LogInDirectory, WritesTimeStampedLinesAfterTheInitLine) {
  Log("hello %d", 42);
  FLog("%s", "second");
  std::string text = ReadFileText(dir_ / "game.log");
  std::regex shape("^ {0,8}\\d{1,9} : Log System initted\n {0,8}\\d{1,9} : hello 42\n {0,8}\\d{1,9} : second\n$");
  EXPECT_TRUE(std::regex_match(text, shape)) << text;
}

TEST_F(LogInDirectory, DisabledLogTouchesNoFile) {
  LogEnabled = 0;
  Log("nothing");
  EXPECT_NE(access((dir_ / "game.log").c_str(), F_OK), 0);
}

TEST_F(LogInDirectory, EnvironmentChoosesTheFileName) {
  setenv("MYIPADR", "10.0.0.5", 1);
  Log("x");
  EXPECT_NE(ReadFileText(dir_ / "game.log.10.0.0.5").find(" : x\n"), std::string::npos);
  ResetLogForTests();
  setenv("LOGFILENAME", (dir_ / "named.log").c_str(), 1);
  Log("y");
  EXPECT_NE(ReadFileText(dir_ / "named.log").find(" : y\n"), std::string::npos) << "LOGFILENAME wins over MYIPADR";
}

TEST_F(LogInDirectory, LongLinesAreCutAt512Bytes) {
  std::string big(2000, 'z');
  Log("%s", big.c_str());
  std::string text = ReadFileText(dir_ / "game.log");
  size_t last = text.rfind(" : ");
  ASSERT_NE(last, std::string::npos);
  size_t lineStart = text.rfind('\n', last) + 1;
  EXPECT_EQ(text.size() - 1 - lineStart, 511u);
}

// Regression: an environment name longer than the name buffer was cut, and
// the log opened (and emptied) whatever file the cut name happened to name.
TEST_F(LogInDirectory, AFileNameThatDoesNotFitLeavesTheLogSilent) {
  WriteFileText(dir_ / "victim", "keep me\n");
  // dir/./././victim, padded so that the 259 characters the buffer holds end
  // just after "victim", then more characters that make it another name.
  std::string name = dir_.path() + "/";
  const size_t room = sizeof LogFileName - 1 - std::string("victim").size();
  ASSERT_LT(name.size(), room);
  if ((room - name.size()) % 2) name += "/";
  while (name.size() < room) name += "./";
  name += "victim";
  ASSERT_EQ(name.size(), sizeof LogFileName - 1);
  setenv("LOGFILENAME", (name + ".log").c_str(), 1);
  Log("x");
  EXPECT_EQ(ReadFileText(dir_ / "victim"), "keep me\n");
  EXPECT_NE(access((name + ".log").c_str(), F_OK), 0);
}
