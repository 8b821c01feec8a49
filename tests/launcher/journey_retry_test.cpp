// A file the server cannot give during an update: nginx answers 404 for a
// file the new release lists, and the launcher asks whether to try again.
// Yes, once the file is back on the server, finishes the update and starts the
// game; No for a game file is the critical-files warning, and acknowledging it
// ends the program; No for a list goes back to the menu.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/files.h"
#include "support/launcher_session.h"
#include "support/served_release.h"
#include "support/temp_dir.h"
#include "support/xvfb.h"

namespace fs = std::filesystem;

namespace {

constexpr int kRetryYes = 5009;
constexpr int kRetryListNo = 5010;
constexpr int kCriticalFileNo = 129;
constexpr int kFatalClose = 127;

// v1 installed and running, v2 served with one of its names answered 404.
class RetryJourney : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(x_.running()) << "Xvfb did not start";
    ASSERT_EQ(server_.Publish("v1", SmallGame("1.0")), "");
    ASSERT_EQ(server_.Publish("v2", SmallGame("2.0")), "");
    ASSERT_EQ(server_.Serve("v2"), "");
    ASSERT_EQ(server_.Start(), "");
    dir_ = DefaultInstallDir(home_.path());
    ASSERT_EQ(server_.InstallCopy("v1", dir_, home_ / "registry.txt"), "");
  }

  // Hides name of the served release (the 404) and returns its contents.
  std::string Withdraw(const std::string& name) {
    const std::string path = server_.release("v2") + "/" + name;
    std::string contents = ReadFileText(path);
    fs::remove(path);
    return contents;
  }

  // Starts the launcher from the installation, presses Launch and accepts
  // the Terms.
  void LaunchAndAgree() {
    ASSERT_TRUE(
        session_.Start(dir_ + "quorvel.exe", {}, dir_, JourneyEnv(home_.path(), server_.base()), home_ / "trace"));
    ASSERT_TRUE(session_.Click("Launch")) << session_.Describe();
    ASSERT_TRUE(session_.Click("I Agree")) << session_.Describe();
  }

  Xvfb x_;
  ServedRelease server_;
  TempDir home_;
  std::string dir_;
  LauncherSession session_{x_};
};

TEST_F(RetryJourney, YesAfterTheFileIsBackFinishesTheUpdateAndStartsTheGame) {
  const std::string fresh = Withdraw("version.txt");
  ASSERT_EQ(fresh, "2.0\n");
  LaunchAndAgree();
  const TraceLine failed = session_.WaitFor("report 2 \"version.txt\"", 60000);
  ASSERT_NE(failed.raw, "") << session_.Describe();
  EXPECT_NE(failed.raw.find("Code 404, Not Found"), std::string::npos) << failed.raw;
  const TraceLine question = session_.WaitFor("dialog \"Confirmation Window\"");
  ASSERT_NE(question.raw, "") << session_.Describe();
  EXPECT_NE(question.raw.find("Try again?"), std::string::npos) << question.raw;
  EXPECT_FALSE(session_.Seen("state 11")) << "the update waits for the answer";

  WriteFileText(server_.release("v2") + "/version.txt", fresh);
  ASSERT_TRUE(session_.ClickMessage(kRetryYes)) << session_.Describe();
  ASSERT_NE(session_.WaitFor("report 0 \"version.txt\"", 60000).raw, "") << session_.Describe();
  ASSERT_NE(session_.WaitFor("state 11 StateLaunch", 60000).raw, "") << session_.Describe();
  ASSERT_NE(session_.WaitFor(" launch ").raw, "") << session_.Describe();
  EXPECT_FALSE(session_.Wait(30000).timedOut) << session_.Describe();
  EXPECT_EQ(ReadFileText(dir_ + "version.txt"), "2.0\n");
  EXPECT_NE(WaitForFileContaining(home_ / "marker", "end\n").find("end\n"), std::string::npos);
}

TEST_F(RetryJourney, NoForAGameFileIsTheCriticalFilesWarningAndAcknowledgingItEndsTheProgram) {
  Withdraw("version.txt");
  LaunchAndAgree();
  ASSERT_NE(session_.WaitFor("report 2 \"version.txt\"", 60000).raw, "") << session_.Describe();
  ASSERT_NE(session_.WaitFor("Try again?").raw, "") << session_.Describe();
  ASSERT_TRUE(session_.ClickMessage(kCriticalFileNo)) << session_.Describe();
  ASSERT_NE(
      session_.WaitFor("Critical files were not downloaded, update must complete for successful game update.").raw, "")
      << session_.Describe();
  EXPECT_TRUE(session_.Running()) << "the warning waits to be acknowledged";
  ASSERT_TRUE(session_.ClickMessage(kFatalClose)) << session_.Describe();
  ProcessResult end = session_.Wait(30000);
  EXPECT_FALSE(end.timedOut) << session_.Describe();
  EXPECT_EQ(end.exitCode, 1) << "an end forced by the error";
  EXPECT_TRUE(session_.Seen(" end ")) << session_.Describe();
  EXPECT_FALSE(session_.Seen(" launch ")) << "no game is started";
  EXPECT_EQ(ReadFileText(dir_ + "version.txt"), "1.0\n") << "the old file stays";
  EXPECT_FALSE(fs::exists(home_ / "marker"));
}

TEST_F(RetryJourney, NoForAListGoesBackToTheMenuAndTheProgramCarriesOn) {
  Withdraw("updated.lst");
  LaunchAndAgree();
  ASSERT_NE(session_.WaitFor("report 2 \"updated.lst\"", 60000).raw, "") << session_.Describe();
  ASSERT_NE(session_.WaitFor("Try again?").raw, "") << session_.Describe();
  ASSERT_TRUE(session_.ClickMessage(kRetryListNo)) << session_.Describe();
  ASSERT_NE(session_.WaitFor("screen SplashScreen enabled").raw, "") << session_.Describe();
  EXPECT_TRUE(session_.Running());
  // The menu works again: Launch starts over (the Terms are asked for anew).
  ASSERT_TRUE(session_.Click("Launch")) << session_.Describe();
  ASSERT_NE(session_.WaitFor("screen TOSWindow enabled").raw, "") << session_.Describe();
  EXPECT_FALSE(session_.Seen(" launch "));
}

}  // namespace
