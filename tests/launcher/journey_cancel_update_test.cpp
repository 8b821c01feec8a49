// Cancelling an update from the progress screen while a large file is on its
// way. The server holds that file's answer half sent until the test lets it
// go, so the cancel lands during the transfer on any machine, however slow.
// Yes ends the program with the old file in place; No resumes, and the update
// completes and starts the game. A transfer that fails while the question is
// up is asked about once No has closed it.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/files.h"
#include "support/launcher_session.h"
#include "support/peers.h"
#include "support/served_release.h"
#include "support/temp_dir.h"
#include "support/xvfb.h"

namespace fs = std::filesystem;

namespace {

constexpr int kProgressCancel = 108;
constexpr int kCancelYes = 127;
constexpr int kCancelNo = 114;
constexpr const char* kQuestion = "Are you sure you wish to cancel the Quorvel Online update?";

std::string Huge(char fill) {
  std::string s(2 * 1024 * 1024, fill);
  for (size_t i = 0; i < s.size(); i += 4096) s[i] = char(i >> 12);
  return s;
}

class CancelUpdateJourney : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(x_.running()) << "Xvfb did not start";
    GameFiles v1 = SmallGame("1.0"), v2 = SmallGame("2.0");
    v1["data/huge.dat"] = Huge('a');
    v2["data/huge.dat"] = Huge('b');
    ASSERT_EQ(server_.Publish("v1", v1), "");
    ASSERT_EQ(server_.Publish("v2", v2), "");  // no patches: the new file comes whole
    ASSERT_EQ(server_.Serve("v2"), "");
    ASSERT_EQ(gate_.Start(server_.site(), "/krnx/data/huge.dat"), "");
    dir_ = DefaultInstallDir(home_.path());
    ASSERT_EQ(server_.InstallCopy("v1", dir_, home_ / "registry.txt"), "");
    const std::string base = "http://127.0.0.1:" + std::to_string(gate_.port()) + "/";
    ASSERT_TRUE(session_.Start(dir_ + "quorvel.exe", {}, dir_, JourneyEnv(home_.path(), base), home_ / "trace"));
    ASSERT_TRUE(session_.Click("Launch")) << session_.Describe();
    ASSERT_TRUE(session_.Click("I Agree")) << session_.Describe();
    ASSERT_TRUE(gate_.WaitHeld(120000)) << "the large file was never asked for\n" << session_.Describe();
    ASSERT_TRUE(session_.ClickMessage(kProgressCancel)) << session_.Describe();
    const TraceLine question = session_.WaitFor("dialog \"Confirmation Window\"");
    ASSERT_NE(question.raw, "") << session_.Describe();
    EXPECT_NE(question.raw.find(kQuestion), std::string::npos) << question.raw;
    EXPECT_FALSE(session_.Seen("report 0 \"data/huge.dat\"")) << "the cancel came during the transfer";
  }

  Xvfb x_;
  ServedRelease server_;
  GatedServerPeer gate_;
  TempDir home_;
  std::string dir_;
  LauncherSession session_{x_};
};

TEST_F(CancelUpdateJourney, YesEndsTheProgramAndLeavesTheOldFile) {
  ASSERT_TRUE(session_.ClickMessage(kCancelYes)) << session_.Describe();
  ProcessResult end = session_.Wait(30000);
  EXPECT_FALSE(end.timedOut) << session_.Describe();
  EXPECT_TRUE(session_.Seen(" end ")) << session_.Describe();
  EXPECT_FALSE(session_.Seen(" launch ")) << "no game is started";
  EXPECT_TRUE(ReadFileText(dir_ + "data/huge.dat") == Huge('a')) << "a half-fetched file never replaces the old one";
  EXPECT_FALSE(fs::exists(home_ / "marker"));
  gate_.Release();
}

TEST_F(CancelUpdateJourney, NoResumesAndTheUpdateCompletes) {
  ASSERT_TRUE(session_.ClickMessage(kCancelNo)) << session_.Describe();
  ASSERT_NE(session_.WaitFor("closed 114").raw, "") << session_.Describe();
  EXPECT_TRUE(session_.Running());
  gate_.Release();
  ASSERT_NE(session_.WaitFor("report 0 \"data/huge.dat\"", 120000).raw, "") << session_.Describe();
  ASSERT_NE(session_.WaitFor("state 11 StateLaunch", 120000).raw, "") << session_.Describe();
  ASSERT_NE(session_.WaitFor(" launch ").raw, "") << session_.Describe();
  EXPECT_FALSE(session_.Wait(30000).timedOut) << session_.Describe();
  EXPECT_TRUE(ReadFileText(dir_ + "data/huge.dat") == Huge('b')) << "the new file is in place";
  EXPECT_EQ(ReadFileText(dir_ + "version.txt"), "2.0\n");
  EXPECT_NE(WaitForFileContaining(home_ / "marker", "end\n").find("end\n"), std::string::npos);
}

// The server went away while the cancel question was up: the failure paused
// the downloads with no question of its own, and after No the update waited
// for ever. Now its retry question follows.
TEST_F(CancelUpdateJourney, AFailureWhileTheQuestionIsUpIsAskedAfterNo) {
  gate_.Stop();
  ASSERT_NE(session_.WaitFor("report 2 \"data/huge.dat\"", 60000).raw, "") << session_.Describe();
  EXPECT_FALSE(session_.Seen("Try again?")) << "not over the cancel question";
  ASSERT_TRUE(session_.ClickMessage(kCancelNo)) << session_.Describe();
  ASSERT_NE(session_.WaitFor("closed 114").raw, "") << session_.Describe();
  const TraceLine retry = session_.WaitFor("Try again?", 30000);
  ASSERT_NE(retry.raw, "") << session_.Describe();
  EXPECT_NE(retry.raw.find("dialog \"Confirmation Window\""), std::string::npos) << retry.raw;
  EXPECT_FALSE(session_.Seen("state 11")) << "the update waits for the answer";
  ASSERT_TRUE(x_.CloseWindow(session_.Window())) << session_.Describe();
  EXPECT_FALSE(session_.Wait(30000).timedOut) << session_.Describe();
  EXPECT_TRUE(ReadFileText(dir_ + "data/huge.dat") == Huge('a')) << "the old file stays";
}

}  // namespace
