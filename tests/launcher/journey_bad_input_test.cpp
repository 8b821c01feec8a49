// Bad input met by the real program under a real X server: a game executable
// that is empty or gone, and a second launcher started while one runs, whose
// message is a real message box that waits until the player acknowledges it.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "support/files.h"
#include "support/launcher_session.h"
#include "support/served_release.h"
#include "support/temp_dir.h"
#include "support/xvfb.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kCopyFailed =
    "Copy of quorvel1.exe to temp executing file failed, please ensure you are not running low on disk space.";
// What the program says when the display could not show a box (SDL's own
// box needs the X server's core fonts): a box test must never see it.
constexpr const char* kBoxNotShown = "The message box could not be shown";
constexpr const char* kRealBoxes = "QUORVEL_MESSAGEBOX=display";
constexpr const char* kRunning =
    "Quorvel Online is currently running, please close Quorvel Online before starting the update process.";

// Every top-level window on the display, as xdotool lists them.
std::vector<unsigned long> Windows(const Xvfb& x) {
  std::vector<unsigned long> out;
  std::string list = x.Xdotool("search --onlyvisible --name '.*'");
  size_t at = 0;
  while (at < list.size()) {
    size_t nl = list.find('\n', at);
    if (nl == std::string::npos) nl = list.size();
    if (nl > at) out.push_back(std::stoul(list.substr(at, nl - at)));
    at = nl + 1;
  }
  return out;
}

// Acknowledges the message box of the session's program with Return, as a
// player would: the box is whichever shown window is not the launcher's own.
// True when such a window came while the program waited, and the program
// ended after it; false when it ended without one or still ran at the limit.
bool AcknowledgeMessageBox(const Xvfb& x, unsigned long launcherWindow, LauncherSession& s, int timeoutMs = 30000) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  bool boxSeen = false;
  while (s.Running() && std::chrono::steady_clock::now() < deadline) {
    for (unsigned long w : Windows(x)) {
      if (w == launcherWindow) continue;
      boxSeen = boxSeen || s.Running();
      x.Xdotool("mousemove --window " + std::to_string(w) + " 5 5");
      x.Xdotool("key --window " + std::to_string(w) + " Return");
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return boxSeen && !s.Running();
}

class BadInputJourney : public testing::Test {
 protected:
  void Install(const GameFiles& served) {
    ASSERT_TRUE(x_.running()) << "Xvfb did not start";
    ASSERT_EQ(server_.Publish("v1", served), "");
    ASSERT_EQ(server_.Serve("v1"), "");
    ASSERT_EQ(server_.Start(), "");
    dir_ = DefaultInstallDir(home_.path());
    ASSERT_EQ(server_.InstallCopy("v1", dir_, home_ / "registry.txt"), "");
  }

  bool Start(LauncherSession& s, const std::string& trace, const std::vector<std::string>& more = {}) {
    std::vector<std::string> env = JourneyEnv(home_.path(), server_.base());
    env.insert(env.end(), more.begin(), more.end());
    return s.Start(dir_ + "quorvel.exe", {}, dir_, env, home_ / trace);
  }

  // Launch and agree, the copy of the game then failing: the failure is
  // acknowledged in its box, and the program ends with its text.
  void LaunchIntoTheCopyFailure(LauncherSession& s) {
    ASSERT_TRUE(s.Click("Launch")) << s.Describe();
    ASSERT_TRUE(s.Click("I Agree")) << s.Describe();
    ASSERT_NE(s.WaitFor("state 11 StateLaunch", 60000).raw, "") << s.Describe();
    EXPECT_TRUE(AcknowledgeMessageBox(x_, s.Window(), s)) << "the failure waits in a box\n" << s.Describe();
    ProcessResult end = s.Wait(30000);
    EXPECT_FALSE(end.timedOut) << s.Describe();
    EXPECT_EQ(end.exitCode, 1) << "a fatal stop";
    EXPECT_NE(end.err.find(kCopyFailed), std::string::npos) << end.err;
    EXPECT_EQ(end.err.find(kBoxNotShown), std::string::npos) << end.err;
  }

  Xvfb x_;
  ServedRelease server_;
  TempDir home_;
  std::string dir_;
};

}  // namespace

// An empty executable fails its digest and is fetched again. One deleted
// after a finished check is not seen at the next start, which trusts its
// succeed files and skips the digest pass: the copy fails with its message.
// "Scan All Files" checks every file again and mends it.
TEST_F(BadInputJourney, AnEmptyOrMissingGameExecutableIsFetchedAgainWhenTheFilesAreChecked) {
  Install(SmallGame("1.0"));
  WriteFileText(dir_ + "quorvel1.exe", "");
  {
    LauncherSession s(x_);
    ASSERT_TRUE(Start(s, "trace1"));
    ASSERT_TRUE(s.Click("Launch")) << s.Describe();
    ASSERT_TRUE(s.Click("I Agree")) << s.Describe();
    ASSERT_NE(s.WaitFor("report 0 \"quorvel1.exe\"", 60000).raw, "") << s.Describe();
    ASSERT_NE(s.WaitFor(" launch ", 60000).raw, "") << s.Describe();
    EXPECT_FALSE(s.Wait(30000).timedOut) << s.Describe();
    EXPECT_NE(WaitForFileContaining(home_ / "marker", "end\n").find("end\n"), std::string::npos);
    EXPECT_EQ(ReadFileText(dir_ + "quorvel1.exe"), ReadFileText(QUORVEL_DEMO_GAME));
    ASSERT_TRUE(fs::exists(dir_ + "succeed1.txt") && fs::exists(dir_ + "succeed2.txt"));
  }
  fs::remove(dir_ + "quorvel1.exe");
  fs::remove(home_ / "marker");
  {
    LauncherSession s(x_);
    ASSERT_TRUE(Start(s, "trace2", {kRealBoxes}));
    LaunchIntoTheCopyFailure(s);
    EXPECT_FALSE(s.Seen("report 0 \"quorvel1.exe\""));
    EXPECT_FALSE(fs::exists(home_ / "marker"));
  }
  LauncherSession s(x_);
  ASSERT_TRUE(Start(s, "trace3"));
  ASSERT_TRUE(s.Click("Scan All Files")) << s.Describe();
  ASSERT_TRUE(s.Click("Launch")) << s.Describe();
  ASSERT_TRUE(s.Click("I Agree")) << s.Describe();
  ASSERT_NE(s.WaitFor("report 0 \"quorvel1.exe\"", 60000).raw, "") << s.Describe();
  ASSERT_NE(s.WaitFor(" launch ", 60000).raw, "") << s.Describe();
  EXPECT_FALSE(s.Wait(30000).timedOut) << s.Describe();
  EXPECT_NE(WaitForFileContaining(home_ / "marker", "end\n").find("end\n"), std::string::npos);
}

TEST_F(BadInputJourney, AnEmptyGameExecutableOnTheServerTooIsTheCopyFailure) {
  GameFiles game = SmallGame("1.0");
  game["quorvel1.exe"] = "";
  Install(game);
  LauncherSession s(x_);
  ASSERT_TRUE(Start(s, "trace", {kRealBoxes}));
  LaunchIntoTheCopyFailure(s);
  EXPECT_FALSE(s.Seen(" launch ")) << "nothing is started";
  for (const fs::directory_entry& e : fs::directory_iterator(dir_)) {
    const std::string leaf = e.path().filename().string();
    EXPECT_TRUE(leaf == "quorvel1.exe" || leaf.rfind("quorvel1", 0) != 0) << "a failed copy is not left: " << leaf;
  }
  EXPECT_FALSE(fs::exists(home_ / "marker"));
}

TEST_F(BadInputJourney, ASecondLauncherShowsTheRunningMessageAndEndsWhileTheFirstCarriesOn) {
  Install(SmallGame("1.0"));
  LauncherSession first(x_);
  ASSERT_TRUE(Start(first, "trace1"));
  ASSERT_NE(first.WaitFor("present").raw, "") << first.Describe();
  const unsigned long window = first.Window();
  ASSERT_NE(window, 0u) << first.Describe();

  LauncherSession second(x_);
  ASSERT_TRUE(Start(second, "trace2", {kRealBoxes}));
  ASSERT_TRUE(AcknowledgeMessageBox(x_, window, second)) << "no message box ended it\n" << second.Describe();
  ProcessResult end = second.Wait(30000);
  EXPECT_FALSE(end.timedOut) << "the box was acknowledged\n" << second.Describe();
  EXPECT_EQ(end.exitCode, 1);
  EXPECT_NE(end.err.find(kRunning), std::string::npos) << end.err;
  EXPECT_EQ(end.err.find(kBoxNotShown), std::string::npos) << end.err;
  EXPECT_FALSE(second.Seen("present")) << "the second launcher never showed its window";

  // The first one is untouched and still works.
  ASSERT_TRUE(first.Running());
  ASSERT_TRUE(first.Click("Launch")) << first.Describe();
  ASSERT_NE(first.WaitFor("screen TOSWindow enabled", 60000).raw, "") << first.Describe();
}
