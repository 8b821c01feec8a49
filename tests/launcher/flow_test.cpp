// The launcher flow on the null device: the work of the states and the
// transitions by message, on real files, a real settings store and real
// desktop entries in scratch folders.
#include "launcher/flow.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "foundation/intrusive_list.h"
#include "foundation/language_catalogue.h"
#include "foundation/program_clock.h"
#include "foundation/translated_format.h"
#include "gfx/display_device.h"
#include "gui/gui_button.h"
#include "gui/gui_object.h"
#include "gui/gui_simple_dialog_box.h"
#include "gui/gui_string_gadget.h"
#include "launcher/game_launch.h"
#include "launcher/install_record.h"
#include "launcher/launcher_globals.h"
#include "launcher/launcher_messages.h"
#include "launcher/localisation.h"
#include "launcher/message_boxes.h"
#include "launcher/registry_info.h"
#include "launcher/screen_file_copy.h"
#include "launcher/screen_install.h"
#include "launcher/screen_splash.h"
#include "launcher/screen_tos.h"
#include "launcher/server_urls.h"
#include "launcher/shortcuts.h"
#include "launcher/zindle_window.h"
#include "platform/clock_source.h"
#include "platform/settings_store.h"
#include "support/fatal.h"
#include "support/process.h"
#include "support/scoped_env.h"
#include "transport/md5.h"
#include "update/download_queue.h"
#include "update/download_window.h"
#include "update/file_list.h"
#include "update/list_callbacks.h"
#include "update/update_globals.h"
#include "update/update_host.h"

namespace fs = std::filesystem;

namespace {

std::string Hex(const std::string& bytes) {
  unsigned char digest[kMD5Size];
  MD5OfBytes(bytes.data(), bytes.size(), digest);
  char hex[2 * kMD5Size + 1];
  MD5ToHex(digest, hex);
  return hex;
}

std::string StoredValue(HKEY hive, const char* keyName, const char* name) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(hive, keyName, 0, KEY_READ, &key) != ERROR_SUCCESS) return "<no key>";
  char value[512] = {};
  DWORD type = 0, size = sizeof value - 1;
  const long r = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<unsigned char*>(value), &size);
  RegCloseKey(key);
  return r == ERROR_SUCCESS ? std::string(value) : "<no value>";
}

class Flow : public ::testing::Test {
 protected:
  void SetUp() override {
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    saved_ = cwd;
    ASSERT_EQ(chdir(tmp_.path().c_str()), 0);
    setenv("QUORVEL_REGISTRY", (tmp_ / "settings.txt").c_str(), 1);
    setenv("XDG_DATA_HOME", (tmp_ / "share").c_str(), 1);
    setenv("HOME", tmp_.path().c_str(), 1);
    ResetLauncherGlobals();
    ResetServerURLs();
    ResetStateTrace();
    ASSERT_TRUE(InitDisplay(DD_NULL, 720, 505, 1, nullptr, 0));
    install_ = tmp_.path() + "/game/";
    fs::create_directories(install_);
    RegInfo->Installed = 1;
    std::snprintf(RegInfo->Directory, sizeof RegInfo->Directory, "%s", install_.c_str());
    window_ = new ZindleWindow(0, 0, 720, 505, 24, 24, 200);
    AddTopLevelObject(window_);
    MainWin = window_;
    ASSERT_EQ(UpdateHostWindow, static_cast<UpdateHost*>(window_));
    LoadShortcuts();
  }
  void TearDown() override {
    KillAllGUIObjects();
    MainWin = nullptr;
    EXPECT_EQ(UpdateHostWindow, nullptr) << "the window is no host once it is gone";
    WipeList(InstallFileList);
    WipeList(ZindleList);
    ResetLauncherGlobals();
    CleanupDisplay();
    unsetenv("QUORVEL_REGISTRY");
    ASSERT_EQ(chdir(saved_.c_str()), 0);
  }
  void Install(const std::string& name, const std::string& text) {
    fs::create_directories(fs::path(install_ + name).parent_path());
    WriteFileText(install_ + name, text);
  }
  TempDir tmp_;
  std::string saved_, install_;
  ZindleWindow* window_ = nullptr;
};

}  // namespace

TEST_F(Flow, InstallationRecordAndUninstallationRemoveEverythingButThePlayersFiles) {
  FinishInstallWork(window_);
  EXPECT_EQ(window_->State, StateLaunch);
  EXPECT_EQ(StoredValue(HKEY_CURRENT_USER, RegistryKeyName, "InstallationDirectory"), install_);
  EXPECT_EQ(StoredValue(HKEY_LOCAL_MACHINE, UninstallKeyName, "UninstallString"), install_ + "quorvel.exe -u");
  const std::string menu = StartMenuShortcutFolder();
  ASSERT_FALSE(menu.empty());
  EXPECT_TRUE(fs::exists(menu + "/Uninstall Quorvel Online.desktop"));
  EXPECT_TRUE(fs::exists(DesktopShortcutFolder() + "/Quorvel Online.desktop"));

  Install("quorvel.exe", "launcher");
  Install("data/x.dat", "x");
  Install("decks/my.dck", "mine");
  Install("master.lst",
          "R " + Hex("launcher") + " quorvel.exe\nR " + Hex("x") + " data/x.dat\nR " + Hex("mine") + " decks/my.dck\n");
  window_->OnUninstallYes();
  EXPECT_EQ(window_->State, StateBeginUninstall);
  DoStateWork(window_);
  EXPECT_EQ(window_->State, StateUninstalling);
  EXPECT_EQ(window_->FileCopyWin->FilesTotal, 3);
  DoStateWork(window_);
  EXPECT_EQ(window_->State, StateIdle);
  EXPECT_FALSE(fs::exists(install_ + "quorvel.exe"));
  EXPECT_FALSE(fs::exists(install_ + "data"));
  EXPECT_TRUE(fs::exists(install_ + "decks/my.dck"));
  EXPECT_FALSE(fs::exists(menu)) << "the emptied Start Menu folders go";
  EXPECT_FALSE(fs::exists(DesktopShortcutFolder() + "/Quorvel Online.desktop"));
  EXPECT_EQ(StoredValue(HKEY_LOCAL_MACHINE, UninstallKeyName, "UninstallString"), "<no key>");
  EXPECT_EQ(StoredValue(HKEY_CURRENT_USER, RegistryKeyName, "InstallationDirectory"), "<no key>");
  EXPECT_NE(window_->CurrentDialog, nullptr) << "the final warning is up";
  EXPECT_EQ(Uninstalling, 0);
}

// Regression: with the product's Start Menu folder already gone, the empty
// publisher's folder above it was left behind.
TEST_F(Flow, TheStartMenuFoldersGoEachOnlyWhenEmpty) {
  FinishInstallWork(window_);
  const fs::path menu = StartMenuShortcutFolder();
  const fs::path publisher = menu.parent_path();
  ASSERT_TRUE(fs::is_directory(menu));
  fs::create_directories(publisher / "Another Game");
  DeleteShortcuts(*StartMenuShortcuts, RegInfo->Directory, menu.string());
  RemoveStartMenuFolders();
  EXPECT_FALSE(fs::exists(menu));
  EXPECT_TRUE(fs::is_directory(publisher / "Another Game")) << "a folder that is not empty stays";

  fs::remove(publisher / "Another Game");
  RemoveStartMenuFolders();
  EXPECT_FALSE(fs::exists(publisher)) << "the publisher's folder goes once it is empty";
  EXPECT_TRUE(fs::is_directory(publisher.parent_path()));
}

TEST_F(Flow, ShortUninstallDeletesNoGameFileButRemovesTheRecord) {
  FinishInstallWork(window_);
  Install("quorvel.exe", "launcher");
  Install("master.lst", "R " + Hex("launcher") + " quorvel.exe\n");
  ShortInstall = 1;
  window_->OnUninstallYes();
  DoStateWork(window_);
  DoStateWork(window_);
  EXPECT_TRUE(fs::exists(install_ + "quorvel.exe"));
  EXPECT_FALSE(fs::exists(DesktopShortcutFolder() + "/Quorvel Online.desktop"));
  EXPECT_EQ(StoredValue(HKEY_LOCAL_MACHINE, UninstallKeyName, "DisplayName"), "<no key>");
}

TEST_F(Flow, UninstallWithoutListsStillRemovesTheRecordAndSaysSo) {
  FinishInstallWork(window_);
  window_->OnUninstallYes();
  DoStateWork(window_);
  EXPECT_EQ(window_->State, StateUninstalling);
  DoStateWork(window_);
  EXPECT_EQ(StoredValue(HKEY_CURRENT_USER, RegistryKeyName, "InstallationDirectory"), "<no key>");
  EXPECT_NE(window_->CurrentDialog, nullptr);
}

// Regression: "Cancel Uninstall?" answered Yes while the deletion waited
// left the deletion waiting for ever; it now stops, keeps the shortcuts and
// the record, and a later uninstallation is not held by the old question.
TEST_F(Flow, AnUninstallCancelledWhileItWaitedStopsAndKeepsTheRecord) {
  FinishInstallWork(window_);
  Install("quorvel.exe", "launcher");
  Install("data/x.dat", "x");
  Install("master.lst", "R " + Hex("launcher") + " quorvel.exe\nR " + Hex("x") + " data/x.dat\n");
  window_->OnUninstallYes();
  DoStateWork(window_);
  ASSERT_EQ(window_->State, StateUninstalling);
  PauseUninstall = 1;               // Cancel pressed ...
  window_->OnCancelUninstallYes();  // ... and confirmed: the menu is back
  UninstallingWork(window_);
  EXPECT_EQ(window_->State, StateIdle);
  EXPECT_EQ(PauseUninstall, 0);
  EXPECT_TRUE(fs::exists(install_ + "data/x.dat"));
  EXPECT_TRUE(fs::exists(DesktopShortcutFolder() + "/Quorvel Online.desktop"));
  EXPECT_EQ(StoredValue(HKEY_CURRENT_USER, RegistryKeyName, "InstallationDirectory"), install_);

  window_->OnUninstallYes();
  DoStateWork(window_);
  DoStateWork(window_);
  EXPECT_FALSE(fs::exists(install_ + "data/x.dat"));
  EXPECT_EQ(StoredValue(HKEY_CURRENT_USER, RegistryKeyName, "InstallationDirectory"), "<no key>");
}

TEST_F(Flow, DecliningTheUninstallEndsAtOnce) { EXPECT_FATAL(window_->OnUninstallNo(), ""); }

TEST_F(Flow, TermsAcceptedUpdateWhenInstalledAndAskForTheDirectoryOtherwise) {
  window_->OnTermsAgree();
  EXPECT_EQ(window_->State, StateBeginUpdate);
  EXPECT_EQ(IgnoreQuorvelFiles, 1);
  RegInfo->Installed = 0;
  window_->OnTermsAgree();
  EXPECT_EQ(window_->State, StateIdle);
  EXPECT_FALSE(window_->InstallWin->Flags & Disabled);
}

TEST_F(Flow, TheTermsReportOpensTheTermsScreenExceptDuringThePackageCopy) {
  WriteFileText(tmp_ / "tos.txt", "Be nice.\n");
  std::snprintf(installtoslocation, sizeof installtoslocation, "%s", (tmp_ / "tos.txt").c_str());
  window_->State = StateCopyFiles;
  window_->OnDownloadReport(kReportFetched, nullptr, "tos.txt");
  EXPECT_EQ(window_->State, StateCopyFiles);
  EXPECT_TRUE(window_->TOSWin->Flags & Disabled);
  window_->State = StateWaitTermsForInstall;
  window_->OnDownloadReport(kReportFetched, nullptr, "tos.txt");
  EXPECT_EQ(window_->State, StateIdle);
  EXPECT_FALSE(window_->TOSWin->Flags & Disabled);
  EXPECT_EQ(AlreadyGrabbedTos, 1);

  // Unreadable terms: the warning, and the flow waits.
  std::snprintf(installtoslocation, sizeof installtoslocation, "%s", (tmp_ / "missing.txt").c_str());
  window_->CurrentDialog = nullptr;
  window_->State = StateWaitTermsForInstall;
  window_->OnDownloadReport(kReportFetched, nullptr, "tos.txt");
  EXPECT_EQ(window_->State, StateIdle);
  EXPECT_NE(window_->CurrentDialog, nullptr);
}

TEST_F(Flow, AFailedListAsksWithGiveUpAndAFailedGameFileWithTheCriticalWarning) {
  window_->State = StateUpdating;
  downloaded = 1;
  window_->OnDownloadReport(kReportFailed, "Code 404, Not Found", "data/x.dat");
  ASSERT_NE(window_->CurrentDialog, nullptr);
  EXPECT_EQ(downloaded, 0);
  window_->OnCriticalFilesMissing();
  EXPECT_EQ(window_->State, StateIdle);
  EXPECT_FALSE(window_->SplashWin->Flags & Disabled);

  window_->CurrentDialog = nullptr;
  window_->State = StateUpdating;
  window_->OnDownloadReport(kReportFailed, nullptr, "master.lst");
  ASSERT_NE(window_->CurrentDialog, nullptr);
  window_->OnRetryNo();
  EXPECT_EQ(window_->State, StateIdle);
  EXPECT_EQ(window_->CurrentDialog, nullptr);
  EXPECT_EQ(window_->DownloadWin, nullptr);
  EXPECT_EQ(CancelInstall, 1);
}

// A transfer that failed while another box was up (here a warning) paused
// the download window with no question asked: once the box was gone the
// update waited for ever. The question now comes when the box goes.
TEST_F(Flow, AFailureWhileAnotherBoxIsUpIsAskedOnceThatBoxIsGone) {
  window_->State = StateUpdating;
  ASSERT_NE(EnsureDownloadWindow(window_), nullptr);
  window_->DownloadWin->Downloads.AddNewDownload("data/y.dat", nullptr, nullptr, 0, nullptr);
  GUISimpleDialogBox* warning = ShowZindleWarningBox("Something to read first", MsgWarningClosed);
  ASSERT_EQ(window_->CurrentDialog, warning);
  window_->OnDownloadReport(kReportFailed, "Code 404, Not Found", "data/x.dat");
  EXPECT_EQ(window_->CurrentDialog, warning) << "no second box over the first";
  EXPECT_EQ(window_->DownloadWin->Downloads.Paused(), 1);
  DoStateWork(window_);
  EXPECT_EQ(window_->CurrentDialog, warning) << "not while the warning is up";

  warning->HandleMessage(MsgWarningClosed, 0, 0, nullptr, nullptr);  // the player's OK
  EXPECT_EQ(window_->CurrentDialog, nullptr);
  DoStateWork(window_);
  auto* question = dynamic_cast<GUISimpleDialogBox*>(window_->CurrentDialog);
  ASSERT_NE(question, nullptr) << "the retry question once the warning is gone";
  EXPECT_STREQ(question->Message, "Code 404, Not Found Try again?");
  ASSERT_GE(question->NButtons, 2);
  EXPECT_EQ(question->Buttons[0]->MessageId, MsgRetryYes);
  EXPECT_EQ(question->Buttons[1]->MessageId, MsgCriticalFilesMissing) << "a game file, not a list";
  question->HandleMessage(MsgRetryYes, 0, 0, nullptr, nullptr);
  EXPECT_EQ(window_->CurrentDialog, nullptr);
  EXPECT_EQ(window_->DownloadWin->Downloads.Paused(), 0) << "the transfers go on";
  DoStateWork(window_);
  EXPECT_EQ(window_->CurrentDialog, nullptr) << "asked once";

  // The player's cancel question is up when a list fails; No resumes the
  // update, and the list's question follows (No there gives up, 5010).
  window_->FileCopyWin->HandleMessage(MsgCancelProgress, 0, 0, nullptr, nullptr);
  auto* cancel = dynamic_cast<GUISimpleDialogBox*>(window_->CurrentDialog);
  ASSERT_NE(cancel, nullptr);
  window_->OnDownloadReport(kReportFailed, nullptr, "master.lst");
  EXPECT_EQ(window_->CurrentDialog, cancel);
  cancel->HandleMessage(MsgCancelInstallNo, 0, 0, nullptr, nullptr);
  EXPECT_EQ(PauseInstall, 0);
  DoStateWork(window_);
  question = dynamic_cast<GUISimpleDialogBox*>(window_->CurrentDialog);
  ASSERT_NE(question, nullptr);
  EXPECT_STREQ(question->Message, "File transfer failed while downloading master.lst. Try again?");
  EXPECT_EQ(question->Buttons[1]->MessageId, MsgRetryNo);
}

// A catalogue is outside input, yet its formats went to SNPrintF as they
// were: a directive too many read an argument never passed, and a stray "%"
// ended the program. Such a translation now gives way to the English text.
TEST_F(Flow, AFormatWhoseTranslationTakesOtherArgumentsIsShownInEnglish) {
  const std::string catalogue =
      "DEUTSCH\n\n"
      "%s Try again?\n%s %s Nochmal?\n\n"
      "File transfer failed while downloading %s. Try again?\nZu 100 % fehlgeschlagen: %s\n\n"
      "One or more files failed to download (%s). Try again?\nNochmal (%/1s)?\n\n"
      "Error reading Terms of Service located at %s\nFehler in %d\n\n"
      "Quorvel Online has been successfully uninstalled. %s\nQuorvel Online ist entfernt. %s 100%%\n\n";
  ASSERT_EQ(LoadLanguageCatalogue(catalogue.data(), catalogue.size(), "DEUTSCH"), 1);
  EXPECT_STREQ(GetFormatString("%s Try again?"), "%s Try again?");
  EXPECT_STREQ(GetFormatString("File transfer failed while downloading %s. Try again?"),
               "File transfer failed while downloading %s. Try again?");
  EXPECT_STREQ(GetFormatString("Error reading Terms of Service located at %s"),
               "Error reading Terms of Service located at %s");
  EXPECT_STREQ(GetFormatString("One or more files failed to download (%s). Try again?"), "Nochmal (%/1s)?")
      << "the same argument by its number";
  EXPECT_STREQ(GetFormatString("Quorvel Online has been successfully uninstalled. %s"),
               "Quorvel Online ist entfernt. %s 100%%");

  window_->State = StateUpdating;
  window_->OnDownloadReport(kReportFailed, "Code 404, Not Found", "data/x.dat");
  auto* box = dynamic_cast<GUISimpleDialogBox*>(window_->CurrentDialog);
  ASSERT_NE(box, nullptr);
  EXPECT_STREQ(box->Message, "Code 404, Not Found Try again?");
  window_->OnRetryYes();
  window_->OnDownloadReport(kReportFailed, nullptr, "data/x.dat");
  box = dynamic_cast<GUISimpleDialogBox*>(window_->CurrentDialog);
  ASSERT_NE(box, nullptr);
  EXPECT_STREQ(box->Message, "File transfer failed while downloading data/x.dat. Try again?");
  FreeHashList();
}

TEST_F(Flow, AnEmptiedQueueWritesTheSucceedFilesAndRunsExactlyOneSecondPass) {
  RecomputeSucceedFileNames();
  window_->State = StateUpdating;
  GrabbedNewFiles = 1;
  DoStateWork(window_);
  EXPECT_EQ(window_->State, StateBeginUpdate) << "a list changed: one more pass";
  EXPECT_TRUE(fs::exists(install_ + "succeed1.txt"));
  EXPECT_TRUE(fs::exists(install_ + "succeed2.txt"));
  window_->State = StateUpdating;
  GrabbedNewFiles = 1;
  DoStateWork(window_);
  EXPECT_EQ(window_->State, StateLaunch) << "never a third";

  window_->State = StateInstallDownloads;
  LoopedAtLeastOnce = 0;
  GrabbedNewFiles = 0;
  DoStateWork(window_);
  EXPECT_EQ(window_->State, StateFinishInstall);
}

// The succeed files and the Terms' place were cut at 260 bytes: under a long
// installation directory the cut path named a file beside the directory.
TEST_F(Flow, SucceedFilesAndTheTermsStayInsideALongInstallationDirectory) {
  std::string deep = tmp_.path() + "/";
  while (deep.size() < 400) deep += "a-rather-long-folder-name/";
  fs::create_directories(deep);
  std::snprintf(RegInfo->Directory, sizeof RegInfo->Directory, "%s", deep.c_str());
  RecomputeSucceedFileNames();
  EXPECT_EQ(std::string(MasterSucceedFilename), deep + "succeed1.txt");
  EXPECT_EQ(std::string(UpdatedSucceedFilename), deep + "succeed2.txt");
  WriteSucceedFiles();
  EXPECT_TRUE(fs::exists(deep + "succeed1.txt"));
  EXPECT_TRUE(fs::exists(deep + "succeed2.txt"));
  window_->State = StateFetchTerms;
  DoStateWork(window_);
  EXPECT_EQ(std::string(installtoslocation), deep + "tos.txt");
}

TEST_F(Flow, LaunchAfterScanAllFilesDeletesTheSucceedFiles) {
  RecomputeSucceedFileNames();
  Install("succeed1.txt", "x");
  Install("succeed2.txt", "x");
  FullFileVerify = 1;
  window_->OnLaunch();
  FullFileVerify = 0;
  EXPECT_EQ(window_->State, StateFetchTerms);
  EXPECT_FALSE(fs::exists(install_ + "succeed1.txt"));
  EXPECT_FALSE(fs::exists(install_ + "succeed2.txt"));
}

TEST_F(Flow, TheGameCopyAtTimerCountZeroIsQuorvel101AndIsStartedInTheInstallation) {
  Install("quorvel1.exe", "#!/bin/sh\npwd > \"$0.ran\"\n");
  PlatUseManualClock(1000000000ull);
  ResetTimer();
  RunQuorvel();
  PlatSetClockOverride(nullptr);
  EXPECT_TRUE(fs::exists(install_ + "quorvel101.exe"));
  // The game runs on its own: wait until its record is whole, not only created.
  for (int i = 0; i < 500 && ReadFileText(install_ + "quorvel101.exe.ran").empty(); ++i) usleep(10000);
  EXPECT_EQ(ReadFileText(install_ + "quorvel101.exe.ran"), fs::canonical(install_).string() + "\n");

  Install("quorvel1.exe", "");
  EXPECT_FATAL(RunQuorvel(),
               "Copy of quorvel1.exe to temp executing file failed, please ensure you are not running low on disk "
               "space.");
  DoNotLaunchQuorvel = 1;
  EXPECT_NO_FATAL(RunQuorvel());
}

TEST_F(Flow, InstallFetchesTheTermsIntoAWritableTemporaryFolderOrWarns) {
  RegInfo->Installed = 0;
  {
    ScopedEnv missing("TMPDIR", (tmp_ / "no-such-folder").c_str());
    window_->OnInstall();
  }
  EXPECT_EQ(window_->State, StateIdle);
  EXPECT_NE(window_->CurrentDialog, nullptr) << "no temporary folder: the warning";

  window_->CurrentDialog = nullptr;
  {
    ScopedEnv writable("TMPDIR", tmp_.path().c_str());
    window_->OnInstall();
  }
  EXPECT_EQ(window_->State, StateWaitTermsForInstall);
  EXPECT_EQ(std::string(installtoslocation), tmp_.path() + "/tos.txt");
  ASSERT_NE(window_->DownloadWin, nullptr);
  EXPECT_STREQ(window_->DownloadWin->Downloads.DestinationDir, (tmp_.path() + "/").c_str());
  ASSERT_NE(window_->DownloadWin->Downloads.Queue, nullptr);
  EXPECT_STREQ(window_->DownloadWin->Downloads.Queue->Name, "tos.txt");
}

TEST_F(Flow, BeginInstallTakesTheTypedDirectoryAndQueuesTheMasterList) {
  RegInfo->Installed = 0;
  const std::string typed = tmp_.path() + "\\typed\\dir";
  window_->InstallWin->DirectoryField->Set(typed.c_str());
  DoStateWork((window_->State = StateBeginInstall, window_));
  EXPECT_EQ(window_->State, StateWaitInstallLists);
  EXPECT_EQ(std::string(RegInfo->Directory), tmp_.path() + "/typed/dir/");
  ASSERT_NE(window_->DownloadWin, nullptr);
  ASSERT_NE(window_->DownloadWin->Downloads.Queue, nullptr);
  EXPECT_STREQ(window_->DownloadWin->Downloads.Queue->Name, "master.lst");
  EXPECT_EQ(std::string(MasterSucceedFilename), tmp_.path() + "/typed/dir/succeed1.txt");
}
