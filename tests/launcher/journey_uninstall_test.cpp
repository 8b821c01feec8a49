// Uninstallation as the uninstall entry starts it ("-u"): the question; Yes
// deletes the listed game files but the player's decks, empties away their
// folders, removes the menu and desktop entries, the keys and the value, and
// the final warning ends the program; No ends it at once and touches nothing.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "support/files.h"
#include "support/journey.h"
#include "support/launcher_session.h"
#include "support/process.h"
#include "support/served_release.h"
#include "support/temp_dir.h"
#include "support/xvfb.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kProductKey = "HKEY_CURRENT_USER\\Software\\Quorvel Online";
constexpr const char* kUninstallKey =
    "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quorvel Online";

class UninstallJourney : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(x_.running()) << "Xvfb did not start";
    ASSERT_EQ(server_.Publish("v1", game_), "");
    ASSERT_EQ(server_.Serve("v1"), "");
    ASSERT_EQ(server_.Start(), "");
    ASSERT_EQ(server_.Package("v1", package_ / "pkg"), "");
    env_ = JourneyEnv(home_.path(), server_.base());
    dir_ = DefaultInstallDir(home_.path());
    ASSERT_EQ(InstallFromPackage(x_, package_ / "pkg", env_, home_ / "install-trace"), "");
    // The player's own files: one in the decks folder the list does not
    // name, and one elsewhere.
    WriteFileText(dir_ + "decks/my.deck", "the player's deck\n");
    WriteFileText(dir_ + "saves/slot1.sav", "a saved game\n");
    ASSERT_TRUE(FileExists(menu_ + "/Quorvel Online.desktop"));
    ASSERT_TRUE(FileExists(desktop_));
    ASSERT_EQ(SettingsValue(env_, kProductKey, "InstallationDirectory"), dir_);
  }

  std::unique_ptr<LauncherSession> StartInstalled(const std::vector<std::string>& args, const std::string& trace) {
    auto session = std::make_unique<LauncherSession>(x_);
    EXPECT_TRUE(session->Start(dir_ + "quorvel.exe", args, dir_, env_, home_ / trace));
    return session;
  }

  Xvfb x_;
  ServedRelease server_;
  TempDir home_, package_;
  const GameFiles game_ = SmallGame("1.0");
  std::vector<std::string> env_;
  std::string dir_;
  const std::string menu_ = home_ / "share/applications/Programs/Tellurant/Brasklund Online";
  const std::string desktop_ = home_ / "Desktop/Quorvel Online.desktop";
};

}  // namespace

TEST_F(UninstallJourney, YesRemovesGameFilesShortcutsAndKeysButKeepsDecksAndTheWarningEndsTheProgram) {
  // A connection setting lives in the same key and goes with it.
  ASSERT_EQ(RunTool({"settings", "set", kProductKey, "ProxyServer", "127.0.0.1"}, "", {}, env_).exitCode, 0);
  auto session = StartInstalled({"-u"}, "trace");
  ASSERT_NE(session->WaitFor("dialog \"Confirmation Window\"", 60000).raw, "") << session->Describe();
  ASSERT_TRUE(session->Click("Yes", 60000)) << session->Describe();
  ASSERT_NE(session->WaitFor("state 12 StateBeginUninstall", 60000).raw, "") << session->Describe();
  ASSERT_NE(session->WaitFor("successfully uninstalled", 120000).raw, "") << session->Describe();
  // The warning holds the program until the player acknowledges it.
  EXPECT_TRUE(session->Running()) << session->Describe();

  for (const auto& [name, contents] : game_) {
    if (name.find("decks") != std::string::npos) EXPECT_EQ(ReadFileText(dir_ + name), contents) << name;
    else EXPECT_FALSE(fs::exists(dir_ + name)) << name;
  }
  for (const char* name : {"quorvel1.exe", "quorvel.exe", "DEUTSCH.CAT", "zindimgs/signin.tga"})
    EXPECT_FALSE(fs::exists(dir_ + name)) << name;
  EXPECT_FALSE(fs::exists(dir_ + "data")) << "an emptied folder goes";
  EXPECT_FALSE(fs::exists(dir_ + "zindimgs")) << "an emptied folder goes";
  EXPECT_EQ(ReadFileText(dir_ + "decks/my.deck"), "the player's deck\n");
  EXPECT_EQ(ReadFileText(dir_ + "saves/slot1.sav"), "a saved game\n");
  // Files the lists do not name stay, the lists among them.
  EXPECT_TRUE(FileExists(dir_ + "master.lst"));

  EXPECT_FALSE(fs::exists(menu_));
  EXPECT_FALSE(fs::exists(fs::path(menu_).parent_path())) << "the publisher's folder, now empty, goes too";
  EXPECT_TRUE(fs::exists(home_ / "share/applications/Programs")) << "nothing above the publisher's folder";
  EXPECT_FALSE(FileExists(desktop_));
  bool found = true;
  SettingsValue(env_, kUninstallKey, "UninstallString", &found);
  EXPECT_FALSE(found) << "the uninstall entry goes";
  EXPECT_EQ(SettingsValue(env_, kProductKey, "InstallationDirectory"), "");
  SettingsValue(env_, kProductKey, "ProxyServer", &found);
  EXPECT_FALSE(found) << "the product's key goes whole";
  EXPECT_EQ(ReadFileText(home_ / "registry.txt").find(dir_), std::string::npos) << ReadFileText(home_ / "registry.txt");

  ASSERT_TRUE(session->Click("OK", 60000)) << session->Describe();
  const ProcessResult end = session->Wait(60000);
  EXPECT_FALSE(end.timedOut) << session->Describe();

  // Not installed any more: a fresh start from the package offers Install.
  LauncherSession next(x_);
  ASSERT_TRUE(next.Start(package_ / "pkg/quorvel.exe", {}, package_ / "pkg", env_, home_ / "next-trace"));
  ASSERT_NE(next.WaitFor("present", 60000).raw, "") << next.Describe();
  EXPECT_TRUE(next.Seen("widget button \"Install\"")) << next.Describe();
  ASSERT_TRUE(x_.CloseWindow(next.Window()));
  EXPECT_FALSE(next.Wait(60000).timedOut);
}

TEST_F(UninstallJourney, NoEndsTheProgramAtOnceAndKeepsEverything) {
  // Only the letter counts: "-Uninstall" is "-u".
  auto session = StartInstalled({"-Uninstall"}, "trace");
  ASSERT_NE(session->WaitFor("dialog \"Confirmation Window\"", 60000).raw, "") << session->Describe();
  ASSERT_TRUE(session->Click("No", 60000)) << session->Describe();
  const ProcessResult end = session->Wait(60000);
  EXPECT_FALSE(end.timedOut) << session->Describe();
  EXPECT_FALSE(session->Seen("StateBeginUninstall")) << session->Describe();
  EXPECT_FALSE(session->Seen("successfully uninstalled")) << session->Describe();
  for (const auto& [name, contents] : game_) EXPECT_EQ(ReadFileText(dir_ + name), contents) << name;
  EXPECT_TRUE(FileExists(dir_ + "quorvel.exe"));
  EXPECT_TRUE(FileExists(menu_ + "/Uninstall Quorvel Online.desktop"));
  EXPECT_TRUE(FileExists(desktop_));
  EXPECT_EQ(SettingsValue(env_, kProductKey, "InstallationDirectory"), dir_);
  EXPECT_EQ(SettingsValue(env_, kUninstallKey, "UninstallString"), dir_ + "quorvel.exe -u");
}
