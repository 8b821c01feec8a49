// The command-line switches on the real launcher: "-a" updates as soon as it
// starts yet still waits for the player to accept the Terms and starts no
// game; "-d" updates and starts nothing; "-g" takes every file from the
// alternate server; "-s" installs without copying or fetching a game file and
// uninstalls without deleting one. Only the letter after "-" counts, in either
// case.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "support/files.h"
#include "support/journey.h"
#include "support/launcher_session.h"
#include "support/served_release.h"
#include "support/temp_dir.h"
#include "support/xvfb.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kProductKey = "HKEY_CURRENT_USER\\Software\\Quorvel Online";
constexpr const char* kUninstallKey =
    "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quorvel Online";

// The game copies in a directory: "quorvel1*.exe" but "quorvel1.exe".
std::vector<std::string> GameCopies(const std::string& dir) {
  std::vector<std::string> out;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(dir, ec)) {
    const std::string name = e.path().filename().string();
    if (name != "quorvel1.exe" && name.rfind("quorvel1", 0) == 0 && name.size() > 4 &&
        name.compare(name.size() - 4, 4, ".exe") == 0)
      out.push_back(name);
  }
  return out;
}

std::string Joined(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& l : lines) out += l + "\n";
  return out;
}

// v1 served and installed through the launcher's screens.
class SwitchesJourney : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(x_.running()) << "Xvfb did not start";
    ASSERT_EQ(server_.Publish("v1", SmallGame("1.0")), "");
    // v2, published seconds later, must read as newer to conditional requests.
    ASSERT_EQ(server_.Backdate("v1", 3600), "");
    ASSERT_EQ(server_.Serve("v1"), "");
    ASSERT_EQ(server_.Start(), "");
    ASSERT_EQ(server_.Package("v1", package_ / "pkg"), "");
    env_ = JourneyEnv(home_.path(), server_.base());
    dir_ = DefaultInstallDir(home_.path());
  }

  void Install() { ASSERT_EQ(InstallFromPackage(x_, package_ / "pkg", env_, home_ / "install-trace"), ""); }

  // v2 changes version.txt and adds a file; served at both addresses.
  void ServeV2() {
    GameFiles v2 = SmallGame("2.0");
    v2["data/added.dat"] = "new in 2.0\n";
    ASSERT_EQ(server_.Publish("v2", v2, {"v1"}), "");
    ASSERT_EQ(server_.Serve("v2"), "");
  }

  // Starts the installed launcher with args, from its directory.
  std::unique_ptr<LauncherSession> StartInstalled(const std::vector<std::string>& args, const std::string& trace) {
    auto session = std::make_unique<LauncherSession>(x_);
    EXPECT_TRUE(session->Start(dir_ + "quorvel.exe", args, dir_, env_, home_ / trace));
    return session;
  }

  std::vector<std::string> RequestsSince(size_t before) {
    const std::vector<std::string> all = server_.server().AccessLog();
    return {all.begin() + std::min(before, all.size()), all.end()};
  }

  Xvfb x_;
  ServedRelease server_;
  TempDir home_, package_;
  std::vector<std::string> env_;
  std::string dir_;
};

}  // namespace

TEST_F(SwitchesJourney, AutomaticUpdateWaitsForTheTermsThenUpdatesAndStartsNoGame) {
  Install();
  ServeV2();
  const size_t before = server_.server().AccessLog().size();
  auto session = StartInstalled({"-a"}, "trace");
  ASSERT_NE(session->WaitFor("state 1 StateShowMenu", 60000).raw, "") << session->Describe();
  ASSERT_NE(session->WaitFor("state 5 StateFetchTerms", 60000).raw, "") << session->Describe();
  // No click yet: the Terms come up and the launcher waits for the player.
  ASSERT_NE(session->WaitFor("screen TOSWindow enabled", 60000).raw, "") << session->Describe();
  std::string lastState;
  for (const TraceLine& line : session->Lines())
    if (line.word == "state") lastState = line.raw.substr(line.raw.find(" state ") + 1);
  EXPECT_EQ(lastState, "state 2 StateIdle") << session->Describe();
  EXPECT_FALSE(session->Seen("StateBeginUpdate")) << session->Describe();
  EXPECT_TRUE(RequestsContaining(RequestsSince(before), "master.lst").empty()) << Joined(RequestsSince(before));
  EXPECT_NE(ReadFileText(dir_ + "version.txt"), "2.0\n");
  ASSERT_TRUE(session->Click("I Agree", 60000)) << session->Describe();
  ASSERT_NE(session->WaitFor("state 16 StateBeginUpdate", 60000).raw, "") << session->Describe();
  ASSERT_NE(session->WaitFor("state 11 StateLaunch", 120000).raw, "") << session->Describe();
  const ProcessResult end = session->Wait(60000);
  EXPECT_FALSE(end.timedOut) << session->Describe();
  EXPECT_EQ(ReadFileText(dir_ + "version.txt"), "2.0\n");
  EXPECT_EQ(ReadFileText(dir_ + "data/added.dat"), "new in 2.0\n");
  EXPECT_FALSE(session->Seen(" launch ")) << session->Describe();
  // The copy of the installation's launch went at this start; none was made since.
  EXPECT_EQ(GameCopies(dir_), std::vector<std::string>{});
}

TEST_F(SwitchesJourney, AutomaticUpdateWithoutAnInstallationIsIgnored) {
  LauncherSession session(x_);
  ASSERT_TRUE(session.Start(package_ / "pkg/quorvel.exe", {"-a"}, package_ / "pkg", env_, home_ / "trace"));
  ASSERT_NE(session.WaitFor("present", 60000).raw, "") << session.Describe();
  EXPECT_TRUE(session.Seen("widget button \"Install\"")) << session.Describe();
  EXPECT_FALSE(session.Seen("StateShowMenu")) << session.Describe();
  EXPECT_FALSE(session.Seen("StateFetchTerms")) << session.Describe();
  ASSERT_TRUE(x_.CloseWindow(session.Window()));
  EXPECT_FALSE(session.Wait(60000).timedOut);
}

TEST_F(SwitchesJourney, DoNotLaunchUpdatesToTheEndAndStartsNothing) {
  Install();
  ServeV2();
  // Only the letter counts: "-Delayed" is "-d".
  auto session = StartInstalled({"-Delayed"}, "trace");
  ASSERT_NE(session->WaitFor("present", 60000).raw, "") << session->Describe();
  ASSERT_TRUE(session->Click("Launch", 60000)) << session->Describe();
  ASSERT_TRUE(session->Click("I Agree", 60000)) << session->Describe();
  ASSERT_NE(session->WaitFor("state 11 StateLaunch", 120000).raw, "") << session->Describe();
  const ProcessResult end = session->Wait(60000);
  EXPECT_FALSE(end.timedOut) << session->Describe();
  EXPECT_NE(session->WaitFor("end ", 1000).raw, "") << session->Describe();
  EXPECT_EQ(ReadFileText(dir_ + "version.txt"), "2.0\n");
  EXPECT_FALSE(session->Seen(" launch ")) << session->Describe();
  EXPECT_EQ(GameCopies(dir_), std::vector<std::string>{});
}

TEST_F(SwitchesJourney, AlternateServerServesEveryRequestOfTheUpdate) {
  Install();
  ServeV2();
  const size_t before = server_.server().AccessLog().size();
  auto session = StartInstalled({"-Gzeph"}, "trace");
  ASSERT_NE(session->WaitFor("present", 60000).raw, "") << session->Describe();
  ASSERT_TRUE(session->Click("Launch", 60000)) << session->Describe();
  ASSERT_TRUE(session->Click("I Agree", 60000)) << session->Describe();
  ASSERT_NE(session->WaitFor(" launch ", 120000).raw, "") << session->Describe();
  EXPECT_FALSE(session->Wait(60000).timedOut) << session->Describe();
  EXPECT_EQ(ReadFileText(dir_ + "version.txt"), "2.0\n");
  const std::vector<std::string> requests = RequestsSince(before);
  EXPECT_EQ(RequestsContaining(requests, "/zeph4/master.lst").size(), 2u) << Joined(requests);
  EXPECT_EQ(RequestsContaining(requests, "/zeph4/data/added.dat 200").size(), 1u) << Joined(requests);
  EXPECT_EQ(RequestsContaining(requests, "/zeph4/").size(), requests.size()) << Joined(requests);
}

TEST_F(SwitchesJourney, ExaminationStopsAtTheFirstArgumentThatIsNoSwitch) {
  Install();
  // "x" ends the examination: "-u" after it asks nothing.
  auto session = StartInstalled({"x", "-u"}, "trace");
  ASSERT_NE(session->WaitFor("present", 60000).raw, "") << session->Describe();
  EXPECT_TRUE(session->Seen("widget button \"Launch\"")) << session->Describe();
  EXPECT_FALSE(session->Seen("dialog ")) << session->Describe();
  ASSERT_TRUE(x_.CloseWindow(session->Window()));
  EXPECT_FALSE(session->Wait(60000).timedOut);
  EXPECT_TRUE(FileExists(dir_ + "version.txt"));
}

TEST_F(SwitchesJourney, ShortInstallRecordsAnInstallationOfTheFilesThereAndUninstallsWithoutDeletingThem) {
  // The player has the game's files in place already (but one); "-s" takes
  // them as they are.
  const GameFiles game = SmallGame("1.0");
  for (const auto& [name, contents] : game)
    if (name != "data/file3.dat") WriteFileText(dir_ + name, contents);
  for (const char* name : {"quorvel.exe", "quorvel1.exe"})
    fs::copy_file(package_ / ("pkg/" + std::string(name)), dir_ + name);
  fs::copy(package_ / "pkg/zindimgs", dir_ + "zindimgs");
  WriteFileText(dir_ + "data/file4.dat", "the player's own version");
  const size_t before = server_.server().AccessLog().size();

  LauncherSession install(x_);
  ASSERT_TRUE(install.Start(package_ / "pkg/quorvel.exe", {"-s"}, package_ / "pkg", env_, home_ / "trace"));
  ASSERT_NE(install.WaitFor("present", 60000).raw, "") << install.Describe();
  ASSERT_TRUE(install.Click("Install", 60000)) << install.Describe();
  ASSERT_TRUE(install.Click("I Agree", 60000)) << install.Describe();
  ASSERT_TRUE(install.Click("Next", 60000)) << install.Describe();
  ASSERT_NE(install.WaitFor("state 3 StateStartCopy", 60000).raw, "") << install.Describe();
  ASSERT_NE(install.WaitFor("state 7 StateFinishInstall", 60000).raw, "") << install.Describe();
  ASSERT_NE(install.WaitFor(" launch ", 60000).raw, "") << install.Describe();
  EXPECT_FALSE(install.Wait(60000).timedOut) << install.Describe();
  EXPECT_FALSE(install.Seen("StateCopyFiles")) << install.Describe();
  EXPECT_FALSE(install.Seen("StateInstallDownloads")) << install.Describe();
  const std::vector<std::string> requests = RequestsSince(before);
  EXPECT_TRUE(RequestsContaining(requests, "/data/").empty()) << Joined(requests);
  EXPECT_FALSE(FileExists(dir_ + "data/file3.dat"));
  EXPECT_EQ(ReadFileText(dir_ + "data/file4.dat"), "the player's own version");
  EXPECT_EQ(SettingsValue(env_, kProductKey, "InstallationDirectory"), dir_);
  EXPECT_EQ(SettingsValue(env_, kUninstallKey, "UninstallString"), dir_ + "quorvel.exe -u");
  const std::string desktop = home_ / "Desktop/Quorvel Online.desktop";
  EXPECT_TRUE(FileExists(desktop));

  // "-s" with "-u": the question, then shortcuts and keys go, the files stay.
  auto uninstall = StartInstalled({"-s", "-u"}, "uninstall-trace");
  ASSERT_NE(uninstall->WaitFor("dialog ", 60000).raw, "") << uninstall->Describe();
  ASSERT_TRUE(uninstall->Click("Yes", 60000)) << uninstall->Describe();
  ASSERT_NE(uninstall->WaitFor("successfully uninstalled", 60000).raw, "") << uninstall->Describe();
  ASSERT_TRUE(uninstall->Click("OK", 60000)) << uninstall->Describe();
  EXPECT_FALSE(uninstall->Wait(60000).timedOut) << uninstall->Describe();
  for (const auto& [name, contents] : game)
    if (name != "data/file3.dat" && name != "data/file4.dat") EXPECT_EQ(ReadFileText(dir_ + name), contents) << name;
  EXPECT_EQ(ReadFileText(dir_ + "data/file4.dat"), "the player's own version");
  EXPECT_FALSE(FileExists(desktop));
  EXPECT_FALSE(fs::exists(home_ / "share/applications/Programs/Tellurant/Brasklund Online"));
  bool found = true;
  SettingsValue(env_, kUninstallKey, "UninstallString", &found);
  EXPECT_FALSE(found);
  EXPECT_EQ(SettingsValue(env_, kProductKey, "InstallationDirectory"), "");
}
