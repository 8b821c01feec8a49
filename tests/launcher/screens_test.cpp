// The launcher's screens and boxes driven through the toolkit's input path:
// the menu as built, the install directory checks, the progress bar, the
// cancel questions and the warnings, each followed in the UI trace.
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "gui/folder_picker.h"
#include "gui/gui_button.h"
#include "gui/gui_drop_down_box.h"
#include "gui/gui_simple_dialog_box.h"
#include "gui/gui_string_gadget.h"
#include "gui/gui_text_box.h"
#include "launcher/launcher_state.h"
#include "launcher/message_boxes.h"
#include "launcher/screen_file_copy.h"
#include "launcher/screen_install.h"
#include "launcher/screen_splash.h"
#include "launcher/screen_tos.h"
#include "launcher/server_urls.h"
#include "platform/filesystem.h"
#include "screens_fixture.h"
#include "support/fatal.h"
#include "update/update_host.h"

namespace {

using MenuTest = ScreensTest;

TEST_F(MenuTest, NotInstalledOffersInstallAndSettingsInTheCornerAndTracesThem) {
  Build();
  std::string trace = TraceText();
  EXPECT_TRUE(Contains(trace, "screen SplashScreen enabled\n")) << trace;
  TracedWidget install, settings;
  ASSERT_TRUE(FindWidget("Install", &install)) << trace;
  ASSERT_TRUE(FindWidget("Settings", &settings)) << trace;
  EXPECT_EQ(install.kind, "button");
  EXPECT_EQ(install.message, 102);
  EXPECT_EQ(install.x, 720 - 100 - 15);
  EXPECT_EQ(install.y, 505 - install.h - 15);
  EXPECT_EQ(settings.message, 120);
  EXPECT_EQ(settings.x, install.x - settings.w - 5);
  EXPECT_EQ(settings.y, install.y);
  EXPECT_FALSE(Contains(trace, "\"Launch\"")) << trace;
  EXPECT_FALSE(Contains(trace, "screen FileCopyWindow enabled")) << "the other screens start disabled";
}

TEST_F(MenuTest, InstalledOffersLaunchAboveTheScanBoxAndTakesTheKeyboard) {
  reg_.Installed = 1;
  Build();
  TracedWidget launch, scan, settings;
  ASSERT_TRUE(FindWidget("Launch", &launch)) << TraceText();
  ASSERT_TRUE(FindWidget("Scan All Files", &scan)) << TraceText();
  ASSERT_TRUE(FindWidget("Settings", &settings));
  EXPECT_EQ(scan.kind, "toggle");
  EXPECT_EQ(scan.message, 130);
  EXPECT_EQ(launch.message, 100);
  EXPECT_EQ(launch.x, 720 - 100 - 20);
  EXPECT_EQ(scan.x, launch.x);
  EXPECT_EQ(scan.y, 505 - launch.h - 15);
  EXPECT_EQ(launch.y, scan.y - launch.h - 5);
  EXPECT_EQ(settings.y, launch.y);
  EXPECT_FALSE(FindWidget("Install", &settings));
  EXPECT_EQ(KeyOwner, MainWin->SplashWin);

  // The box is bound to FullFileVerify.
  ClickTraced("Scan All Files");
  EXPECT_EQ(FullFileVerify, 1);
  ClickTraced("Scan All Files");
  EXPECT_EQ(FullFileVerify, 0);
}

TEST_F(MenuTest, LaidOutAnewAfterAnInstallationTheMenuIsTracedAgainWithLaunch) {
  Build();
  ClearTrace();
  MainWin->SplashWin->LayoutChildren();
  EXPECT_EQ(TraceText(), "") << "an unchanged layout is not traced again";
  reg_.Installed = 1;
  MainWin->SplashWin->LayoutChildren();
  std::string trace = TraceText();
  EXPECT_TRUE(Contains(trace, "screen SplashScreen enabled\n")) << trace;
  EXPECT_TRUE(Contains(trace, "\"Launch\"")) << trace;
  EXPECT_EQ(MainWin->SplashWin->InstallButton, nullptr);
  EXPECT_FALSE(FindWidget("Install", new TracedWidget)) << "the Install button was destroyed";
}

TEST_F(MenuTest, UninstallingShowsNeitherSettingsNorLaunch) {
  reg_.Installed = 1;
  Uninstalling = 1;
  WriteFileText(dir_ / "french.cat", "french\n");
  Build();
  SplashScreen* s = MainWin->SplashWin;
  EXPECT_EQ(s->SettingsButton, nullptr);
  EXPECT_EQ(s->LaunchButton, nullptr);
  EXPECT_EQ(s->ScanAllFilesBox, nullptr);
  EXPECT_EQ(s->LanguageBox, nullptr);
}

TEST_F(MenuTest, EveryUnhandledMessageOfTheMenuReachesTheMainWindowAndEnterIsAlwaysTaken) {
  reg_.Installed = 1;
  Build();
  // 101 through the menu: the main window puts up the uninstall question.
  MainWin->SplashWin->HandleMessage(101, 0, 0, nullptr, nullptr);
  ASSERT_NE(MainWin->CurrentDialog, nullptr);
  EXPECT_TRUE(Contains(TraceText(), "dialog \"Confirmation Window\" \"Are you sure you want to uninstall?\"\n"));
  EXPECT_EQ(MainWin->SplashWin->HandleKey(10, 0), 1);
  EXPECT_EQ(MainWin->SplashWin->HandleKey('x', 0), 0);
}

using InstallScreenTest = ScreensTest;

// Types dir into the install screen's field and confirms it with Next or
// with Enter in the field.
void Confirm(ZindleWindow* w, const std::string& dir, bool withEnter) {
  InstallWindow* s = w->InstallWin;
  ScreensTest::ClickOn(s->DirectoryField);
  s->DirectoryField->SelectAll();
  KeyDown(0x2E);  // Delete
  Type(dir);
  if (withEnter) PressEnter();
  else ScreensTest::ClickOn(s->NextButton);
}

TEST_F(InstallScreenTest, EachBadDirectoryGetsItsWarningThroughNextAndThroughEnterAlike) {
  std::string file = dir_ / "plain-file";
  WriteFileText(file, "x");
  std::string longName = dir_.path() + "/";
  while (longName.size() < 81) longName += "d";
  struct Case {
    std::string dir;
    std::string dialog;
  };
  const Case cases[] = {
      {"", "dialog \"Message Window\" \"You must select a directory to install to.\""},
      {longName, "dialog \"Message Window\" \"Installation directory name too long.\""},
      {dir_ / "missing", "dialog \"Confirmation Window\" \"Directory does not exist, ok to create it?\""},
      {file,
       "dialog \"Message Window\" \"Directory could not be written to, check directory write attributes or "
       "choose another directory.\""},
  };
  for (bool withEnter : {false, true}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(c.dir + (withEnter ? " with Enter" : " with Next"));
      KillAllGUIObjects();
      Build();
      MainWin->ShowOnly(MainWin->InstallWin);
      ClearTrace();
      Confirm(MainWin, c.dir, withEnter);
      std::string trace = TraceText();
      EXPECT_TRUE(Contains(trace, c.dialog + "\n")) << trace;
      EXPECT_EQ(MainWin->State, StateIdle);
      EXPECT_FALSE(MainWin->InstallWin->Flags & Disabled) << "the screen stays as it was";
      ASSERT_NE(MainWin->CurrentDialog, nullptr);
      EXPECT_EQ(Modal, MainWin->CurrentDialog);
    }
  }
}

TEST_F(InstallScreenTest, EightyCharactersAreAcceptedAndMoveTheFlowToTheInstallation) {
  std::string name = dir_.path() + "/";
  while (name.size() < 80) name += "e";
  ASSERT_EQ(mkdir(name.c_str(), 0755), 0);
  for (bool withEnter : {false, true}) {
    KillAllGUIObjects();
    Build();
    MainWin->ShowOnly(MainWin->InstallWin);
    ClearTrace();
    Confirm(MainWin, name, withEnter);
    EXPECT_EQ(MainWin->State, StateBeginInstall);
    EXPECT_EQ(MainWin->CurrentDialog, nullptr);
    EXPECT_TRUE(MainWin->InstallWin->Flags & Disabled);
    EXPECT_FALSE(MainWin->FileCopyWin->Flags & Disabled);
    std::string trace = TraceText();
    EXPECT_TRUE(Contains(trace, "screen FileCopyWindow enabled\n")) << trace;
    EXPECT_TRUE(Contains(trace, "screen InstallWindow disabled\n")) << trace;
  }
}

TEST_F(InstallScreenTest, TheCreateQuestionAnsweredNoLeavesTheScreenAndForgetsTheBox) {
  Build();
  MainWin->ShowOnly(MainWin->InstallWin);
  Confirm(MainWin, dir_ / "new", false);
  ClickTraced("No");
  EXPECT_TRUE(Contains(TraceText(), "closed 106\n")) << TraceText();
  EXPECT_EQ(MainWin->CurrentDialog, nullptr);
  EXPECT_EQ(Modal, nullptr);
  EXPECT_EQ(MainWin->State, StateIdle);
  EXPECT_FALSE(MainWin->InstallWin->Flags & Disabled);
}

TEST_F(InstallScreenTest, TheFieldStartsWithTheDirectoryAndIsTracedWithEnterMessage) {
  std::snprintf(reg_.Directory, sizeof reg_.Directory, "%s/Quorvel Online/", dir_.path().c_str());
  Build();
  MainWin->ShowOnly(MainWin->InstallWin);
  TracedWidget field, next, browse;
  ASSERT_TRUE(FindWidget(reg_.Directory, &field)) << TraceText();
  ASSERT_TRUE(FindWidget("Next", &next));
  ASSERT_TRUE(FindWidget("Browse", &browse));
  EXPECT_EQ(field.kind, "field");
  EXPECT_EQ(field.message, 2000);
  EXPECT_EQ(next.x, 720 - next.w - 15);
  EXPECT_EQ(next.y, 505 - field.h - 15);
  EXPECT_EQ(browse.x, next.x - next.w - 5);
  EXPECT_EQ(field.x, browse.x - field.w);
  EXPECT_EQ(field.w, 360);
}

TEST_F(InstallScreenTest, BrowseOpensThePickerAtTheWorkingDirectoryAndItsChoiceFillsTheField) {
  ASSERT_EQ(mkdir((dir_ / "games").c_str(), 0755), 0);
  Build();
  MainWin->ShowOnly(MainWin->InstallWin);
  ClickTraced("Browse");
  auto* picker = dynamic_cast<GUIFolderPicker*>(Modal);
  ASSERT_NE(picker, nullptr);
  EXPECT_EQ(picker->Path, PlatResolvedPath(dir_.path()));
  EXPECT_TRUE(Contains(TraceText(), "screen GUIFolderPicker enabled\n")) << TraceText();
  ASSERT_TRUE(picker->ChangeTo(dir_ / "games"));
  ClickOn(picker->OkButton);
  EXPECT_EQ(std::string(MainWin->InstallWin->DirectoryField->Text()), PlatResolvedPath(dir_ / "games"));
  EXPECT_EQ(std::string(reg_.Directory), PlatResolvedPath(dir_ / "games"));
  EXPECT_TRUE(Contains(TraceText(), "screen GUIFolderPicker disabled\n")) << TraceText();
  EXPECT_EQ(Modal, nullptr);
}

using ProgressTest = ScreensTest;

TEST_F(ProgressTest, ATotalOfZeroOrOneDividesByOneAndTheBarStopsAtItsEnd) {
  Build();
  FileCopyWindow* p = MainWin->FileCopyWin;
  MainWin->ShowOnly(p);
  for (int total : {0, 1}) {
    p->Reset(0);
    p->FilesTotal = total;
    p->FinishedFile("a", 1);
    EXPECT_EQ(p->Percent, 100);
    EXPECT_EQ(p->RedBarEnd(), p->BarX1());
    p->FinishedFile("b", 1);
    EXPECT_EQ(p->Percent, 200) << "more files counted than the total";
    EXPECT_EQ(p->RedBarEnd(), p->BarX1()) << "the bar never extends past x1";
    p->FinishedFile("c", 1);
    EXPECT_EQ(p->Percent, 255) << "held at the byte's top instead of wrapping to 44";
    p->FinishedFile("d", 0);
    EXPECT_EQ(p->Percent, 255) << "an uncounted file changes no count";
    EXPECT_EQ(p->FilesDone, 3);
    EXPECT_STREQ(p->CurrentFile, "d");
  }
  p->Reset(0);
  p->FilesTotal = 3;
  p->FinishedFile("x", 1);
  EXPECT_EQ(p->Percent, 33);
  EXPECT_EQ(p->RedBarEnd(), p->BarX0() + (p->BarX1() - p->BarX0()) * 33 / 100);
  p->Reset(1);
  EXPECT_EQ(p->FilesTotal, 3) << "Reset keeps the total when asked";
  EXPECT_EQ(p->FilesDone, 0);
  EXPECT_EQ(p->Percent, 0);
}

TEST_F(ProgressTest, TheDigestPassFillsTheFirstHalfAndTheEngineSeesTheMainWindow) {
  Build();
  EXPECT_EQ(UpdateHostWindow, static_cast<UpdateHost*>(MainWin));
  FileCopyWindow* p = MainWin->FileCopyWin;
  UpdateHostWindow->SetCheckTotal(4);
  UpdateHostWindow->FinishedChecking("data/a.dat");
  EXPECT_EQ(p->Percent, 12);
  for (int i = 0; i < 3; ++i) UpdateHostWindow->FinishedChecking("data/b.dat");
  EXPECT_EQ(p->Percent, 50);
  EXPECT_STREQ(p->CurrentFile, "data/b.dat");
  EXPECT_EQ(p->FilesDone, 0) << "checked entries are not copied files";
  UpdateHostWindow->SetCheckTotal(0);
  EXPECT_NO_FATAL(UpdateHostWindow->FinishedChecking("data/c.dat"));
  UpdateHostWindow->SetProgressPercent(75);
  EXPECT_EQ(p->Percent, 75);

  EXPECT_FALSE(UpdateHostWindow->TakeInstallListWait());
  MainWin->State = StateWaitInstallLists;
  EXPECT_TRUE(UpdateHostWindow->TakeInstallListWait());
  EXPECT_EQ(MainWin->State, StateStartCopy);
  KillAllGUIObjects();
  EXPECT_EQ(UpdateHostWindow, nullptr) << "a destroyed window is not the engine's host";
}

TEST_F(ProgressTest, CancelDuringAnUpdateAsksAndNoResumes) {
  Build();
  MainWin->ShowOnly(MainWin->FileCopyWin);
  MainWin->State = StateUpdating;
  ClickOn(MainWin->FileCopyWin->CancelButton);
  EXPECT_EQ(PauseInstall, 1);
  EXPECT_TRUE(Contains(
      TraceText(), "dialog \"Confirmation Window\" \"Are you sure you wish to cancel the Quorvel Online update?\"\n"))
      << TraceText();
  TracedWidget yes;
  ASSERT_TRUE(FindWidget("Yes", &yes));
  EXPECT_EQ(yes.message, 127);
  ClickTraced("No");
  EXPECT_EQ(PauseInstall, 0) << "the update resumes";
  EXPECT_EQ(MainWin->CurrentDialog, nullptr);
  EXPECT_EQ(MainWin->State, StateUpdating);
  EXPECT_TRUE(Contains(TraceText(), "closed 114\n"));
}

TEST_F(ProgressTest, CancelDuringAnUpdateAnsweredYesEndsTheProgramWithoutAMessage) {
  Build();
  MainWin->ShowOnly(MainWin->FileCopyWin);
  MainWin->State = StateUpdating;
  ClickOn(MainWin->FileCopyWin->CancelButton);
  TracedWidget yes;
  ASSERT_TRUE(FindWidget("Yes", &yes));
  EXPECT_FATAL(Click(yes.x + yes.w / 2, yes.y + yes.h / 2), "");
  EXPECT_TRUE(Contains(TraceText(), "closed 127\n"));
}

TEST_F(ProgressTest, TheInstallationQuestionInItsStatesAndTheUninstallQuestion) {
  for (int state : {StateCopyFiles, StateWaitInstallLists, StateInstallDownloads}) {
    KillAllGUIObjects();
    Build();
    MainWin->State = uint8_t(state);
    MainWin->FileCopyWin->HandleMessage(108, 0, 0, nullptr, nullptr);
    EXPECT_TRUE(Contains(TraceText(), "\"Are you sure you wish to cancel the Quorvel Online installation?\"\n"));
    ClearTrace();
  }
  KillAllGUIObjects();
  Build();
  MainWin->ShowOnly(MainWin->FileCopyWin);
  MainWin->State = StateUninstalling;
  PauseInstall = 0;
  ClickOn(MainWin->FileCopyWin->CancelButton);
  EXPECT_EQ(PauseUninstall, 1);
  EXPECT_EQ(PauseInstall, 0);
  EXPECT_TRUE(Contains(TraceText(), "dialog \"Confirmation Window\" \"Cancel Uninstall?\"\n"));
  ClickTraced("Yes");
  std::string trace = TraceText();
  EXPECT_TRUE(Contains(trace, "closed 109\ndialog \"Message Window\" \"Uninstall Cancelled\"\n")) << trace;
  EXPECT_EQ(MainWin->State, StateIdle);
  EXPECT_TRUE(MainWin->FileCopyWin->Flags & Disabled);
  EXPECT_FALSE(MainWin->SplashWin->Flags & Disabled);
  ClickTraced("OK");
  EXPECT_EQ(MainWin->CurrentDialog, nullptr);
  EXPECT_EQ(Modal, nullptr);
  EXPECT_EQ(MainWin->BoxFlags & kMessageBoxUp, 0);
}

using BoxTest = ScreensTest;

TEST_F(BoxTest, AWarningIsModalOnTopAndAcknowledgingItForgetsIt) {
  Build();
  MainWin->ShowOnly(MainWin->TOSWin);
  ClickTraced("I Disagree");
  std::string trace = TraceText();
  EXPECT_TRUE(Contains(trace,
                       "dialog \"Message Window\" \"You must agree to these terms to continue.\"\n"
                       "widget button \"OK\" "))
      << trace;
  ASSERT_NE(MainWin->CurrentDialog, nullptr);
  EXPECT_EQ(Modal, MainWin->CurrentDialog);
  EXPECT_TRUE(MainWin->BoxFlags & kMessageBoxUp);
  // The Terms buttons are behind the modal box now.
  ClickTraced("I Agree");
  EXPECT_NE(MainWin->CurrentDialog, nullptr);
  ClickTraced("OK");
  EXPECT_TRUE(Contains(TraceText(), "closed 131\n"));
  EXPECT_EQ(MainWin->CurrentDialog, nullptr);
  EXPECT_EQ(Modal, nullptr);
  EXPECT_EQ(MainWin->BoxFlags & kMessageBoxUp, 0);
}

TEST_F(BoxTest, AWarningTextIsCutAt506CharactersAndAFatalOneEndsTheProgram) {
  Build();
  std::string text(600, 'w');
  GUISimpleDialogBox* box = ShowZindleWarningBox(text.c_str(), 127);
  EXPECT_EQ(std::string(box->Message), "@W@Z" + std::string(506, 'w'));
  EXPECT_FATAL(ClickOn(box->Buttons[0]), "");
}

TEST_F(BoxTest, TheUpdateEnginesWarningTextArrivesAsTheFirstPointer) {
  Build();
  char text[] = "Could not write succeed1.txt";
  MainWin->HandleMessage(128, 0, 0, text, nullptr);
  EXPECT_TRUE(Contains(TraceText(), "dialog \"Message Window\" \"Could not write succeed1.txt\"\n"));
  EXPECT_EQ(MainWin->HandleMessage(4242, 0, 0, nullptr, nullptr), 1) << "every message answers 1";
}

TEST_F(BoxTest, TheSettingsWindowsBoxesAreTheMainWindowsOwn) {
  Build();
  DialogHost* host = MainWin;
  GUIObject* box = host->ShowConfirmBox("Use the detected proxy?", 123, 124);
  EXPECT_EQ(MainWin->CurrentDialog, box);
  EXPECT_EQ(Modal, box);
  EXPECT_TRUE(Contains(TraceText(), "dialog \"Confirmation Window\" \"Use the detected proxy?\"\n"));
  ClickTraced("No");
  EXPECT_TRUE(Contains(TraceText(), "closed 124\n"));
  host->ShowWarningBox("Proxy port must be a number", 131);
  host->ClearCurrentDialog();
  EXPECT_EQ(MainWin->CurrentDialog, nullptr);
  EXPECT_EQ(host->HostObject(), MainWin);
  EXPECT_STREQ(host->ProxyDetectionURL(), ServerURL);
}

using TermsTest = ScreensTest;

TEST_F(TermsTest, TheTermsAreShownAsTheyStandAndBadFilesNeverStopTheProgram) {
  Build();
  TOSWindow* t = MainWin->TOSWin;
  EXPECT_EQ(t->ReadTOS((dir_ / "missing.txt").c_str()), 0);
  WriteFileText(dir_ / "empty.txt", "");
  EXPECT_EQ(t->ReadTOS((dir_ / "empty.txt").c_str()), 1);
  EXPECT_EQ(t->TermsText->NLines, 0);

  // Text codes and symbol braces are text here; a brace around bytes that no
  // symbol may hold would otherwise stop the program when drawn.
  std::string binary = "a@Rb {\x90\x01}\n";
  binary += std::string("second\0third", 12);
  WriteFileText(dir_ / "tos.txt", binary);
  EXPECT_EQ(t->ReadTOS((dir_ / "tos.txt").c_str()), 1);
  ASSERT_EQ(t->TermsText->NLines, 2) << "the file ends at its NUL byte";
  EXPECT_STREQ(t->TermsText->LineAt(1)->Text, "second");
  MainWin->ShowOnly(t);
  EXPECT_NO_FATAL(t->Draw(0, 0));
}

TEST_F(TermsTest, LongLinesGoOnInTheNextLineAndTheBoxIsSizedBeforeReading) {
  Build();
  TOSWindow* t = MainWin->TOSWin;
  EXPECT_EQ(t->TermsText->Width, 720 - 80);
  EXPECT_EQ(t->TermsText->X, 40);
  EXPECT_EQ(t->AgreeButton->Y, t->TermsText->Y + t->TermsText->Height + 10);
  WriteFileText(dir_ / "tos.txt", std::string(10000, 'x') + "\nlast\n");
  EXPECT_EQ(t->ReadTOS((dir_ / "tos.txt").c_str()), 1);
  int widest = 0;
  for (int i = 0; i < t->TermsText->NLines; ++i)
    widest = std::max(widest, int(std::strlen(t->TermsText->LineAt(i)->Text)));
  EXPECT_LE(widest, 4095);
  EXPECT_STREQ(t->TermsText->LineAt(t->TermsText->NLines - 1)->Text, "last");
  EXPECT_EQ(t->TermsText->FirstLine, 0) << "scrolled to the top";
}

}  // namespace
