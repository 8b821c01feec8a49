// Each screen drawn with the default skin into a memory back buffer: what the
// player sees of the menus, the Terms, the directory screen, the progress bar
// and a question. With QUORVEL_SCREENSHOT_DIR set, each picture is written
// there as a PNG (the README shows them).
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "gfx/font2.h"
#include "gfx/memory_device.h"
#include "gfx/texture.h"
#include "gui/gui_button.h"
#include "gui/gui_redraw.h"
#include "gui/gui_skin.h"
#include "gui/gui_string_gadget.h"
#include "gui/gui_text_box.h"
#include "gui/gui_toggle_button.h"
#include "launcher/launcher_skin.h"
#include "launcher/launcher_state.h"
#include "launcher/screen_file_copy.h"
#include "launcher/screen_install.h"
#include "launcher/screen_splash.h"
#include "launcher/screen_tos.h"
#include "screens_fixture.h"
#include "transport/language_file.h"
#include "update/dialog_connection_prefs.h"

namespace {

class ScreensDrawnTest : public ScreensTest {
 protected:
  GfxDevice* MakeDevice() override { return new MemoryDevice(720, 505, MPF_RGB888_32); }
  MemoryDevice* Device() { return static_cast<MemoryDevice*>(CurGfxDevice); }

  void SetUp() override {
    ScreensTest::SetUp();
    ASSERT_EQ(symlink(QUORVEL_SOURCE_DIR "/assets/zindimgs", (dir_ / "zindimgs").c_str()), 0);
    LoadDefaultGUISkin();
    InitSimpleDialogButtonTextures();
    MarbleBGTexture = CurGfxDevice->LoadTexture("zindimgs/menublue.tga", 0);
    MarbleDarkBGTexture = CurGfxDevice->LoadTexture("zindimgs/menudkgr.tga", 0);
    ZindleBGTexture = CurGfxDevice->LoadTexture("zindimgs/signin.tga", 0);
    DropDownTexture = CurGfxDevice->LoadTexture("zindimgs/arromenu.tga", 0);
    checkbtn0 = CurGfxDevice->LoadTexture("zindimgs/button01.tga", 0);
    checkbtn1 = CurGfxDevice->LoadTexture("zindimgs/button02.tga", 0);
    checkbtn2 = CurGfxDevice->LoadTexture("zindimgs/button03.tga", 0);
  }
  void TearDown() override {
    // The textures die with the device: nothing may point at them after.
    KillAllGUIObjects();
    ResetLauncherSkin();
    ResetGuiGlobals();
    TextureMap** skin[] = {
        &DefaultLeftBorder,          &DefaultRightBorder,           &DefaultBottomBorder,
        &DefaultTopBorder,           &DefaultLLCornerTexture,       &DefaultLRCornerTexture,
        &DefaultURCornerTexture,     &DefaultULCornerTexture,       &DefaultUpArrowTexture,
        &DefaultDnArrowTexture,      &DefaultLeftArrowTexture,      &DefaultRightArrowTexture,
        &DefaultScrollSliderTexture, &DefaultDragBarTexture,        &DefaultButtonIconOkay,
        &DefaultButtonIconCancel,    &DefaultButtonIconHelp,        &DefaultButtonIconYes,
        &DefaultButtonIconNo,        &DefaultCloseGadgetTexture,    &DefaultMinGadgetTexture,
        &DefaultDropDownTexture,     &DefaultMenuScrollDownTexture, &DefaultMenuScrollUpTexture,
    };
    for (TextureMap** t : skin) *t = nullptr;
    ScreensTest::TearDown();
  }

  // A full redraw, written out when asked as screen-NAME.png (the names in docs/).
  void Shoot(const char* name) {
    Need_Redraw = 1;
    GUIRedrawWindows();
    const char* out = std::getenv("QUORVEL_SCREENSHOT_DIR");
    if (out && std::string(name) != "menu-again") {
      EXPECT_TRUE(WriteBackBufferPng(*Device(), (std::string(out) + "/screen-" + name + ".png").c_str()));
    }
  }
  std::string Pixel(int x, int y) {
    uint8_t r, g, b;
    Device()->ReadPixel(x, y, &r, &g, &b);
    return std::to_string(r) + "," + std::to_string(g) + "," + std::to_string(b);
  }
  // The progress screen of an update with 120 files.
  FileCopyWindow* Progress(int percent, bool verified) {
    Build();
    FileCopyWindow* p = MainWin->FileCopyWin;
    MainWin->ShowOnly(p);
    MainWin->State = StateUpdating;
    DoneChecksumming = verified;
    p->FilesTotal = 120;
    p->FinishedFile("/home/player/Quorvel Online/data/world.dat", 0);
    p->SetPercent(percent);
    return p;
  }
};

TEST_F(ScreensDrawnTest, MenuNotInstalled) {
  WriteFileText(dir_ / "FRANCAIS.CAT", "FRANCAIS\n");
  WriteFileText(dir_ / "DEUTSCH.CAT", "DEUTSCH\n");
  Build();
  Shoot("menu-install");
  GUIButton* install = MainWin->SplashWin->InstallButton;
  EXPECT_NE(Pixel(install->AbsoluteX() + 30, install->AbsoluteY() + install->Height / 2), Pixel(10, 10))
      << "the button is drawn over the background";
}

TEST_F(ScreensDrawnTest, MenuInstalled) {
  reg_.Installed = 1;
  Build();
  Shoot("menu-launch");
  EXPECT_NE(MainWin->SplashWin->LaunchButton, nullptr);
}

TEST_F(ScreensDrawnTest, Terms) {
  WriteFileText(
      dir_ / "tos.txt",
      "QUORVEL ONLINE TERMS OF SERVICE\n\nBy installing or playing Quorvel Online you agree to these terms. "
      "The game and its files are licensed, not sold; you may install them on computers you own.\n\n"
      "1. Your account is yours alone.\n2. Be kind to other players.\n3. Updates are installed before play.\n");
  Build();
  ASSERT_EQ(MainWin->TOSWin->ReadTOS((dir_ / "tos.txt").c_str()), 1);
  MainWin->ShowOnly(MainWin->TOSWin);
  Shoot("terms");
  // The text box paints its light grey under the text.
  EXPECT_EQ(Pixel(MainWin->TOSWin->TermsText->AbsoluteX() + MainWin->TOSWin->TermsText->Width - 30, 300),
            "200,200,200");
}

TEST_F(ScreensDrawnTest, InstallDirectory) {
  std::snprintf(reg_.Directory, sizeof reg_.Directory, "/home/player/.local/share/Quorvel Online/");
  Build();
  MainWin->ShowOnly(MainWin->InstallWin);
  Shoot("install-directory");
  EXPECT_STREQ(MainWin->InstallWin->DirectoryField->Text(), reg_.Directory);
}

TEST_F(ScreensDrawnTest, ProgressWhileVerifyingStopsItsRedBarAtThePercentage) {
  FileCopyWindow* p = Progress(23, false);
  Shoot("progress-verifying");
  int y = p->TextY + 2;
  int red = p->RedBarEnd();
  EXPECT_EQ(Pixel(p->BarX0() + 1, y), "200,0,0");
  EXPECT_EQ(Pixel(red - 1, y), "200,0,0");
  EXPECT_EQ(Pixel(red + 2, y), "100,100,100");
}

TEST_F(ScreensDrawnTest, ProgressWhileDownloading) {
  Progress(71, true);
  Shoot("progress-downloading");
}

TEST_F(ScreensDrawnTest, ABarPastAHundredStopsAtItsEnd) {
  FileCopyWindow* p = Progress(250, true);
  Shoot("progress-overfull");
  int y = p->TextY + 2;
  EXPECT_EQ(Pixel(p->BarX1(), y), "200,0,0");
  EXPECT_NE(Pixel(p->BarX1() + 2, y), "200,0,0") << "nothing red between the bar and Cancel";
  EXPECT_NE(Pixel(p->BarX1() + 4, y), "200,0,0");
}

TEST_F(ScreensDrawnTest, AQuestion) {
  Progress(40, true);
  MainWin->FileCopyWin->HandleMessage(108, 0, 0, nullptr, nullptr);
  Shoot("question");
  ASSERT_NE(MainWin->CurrentDialog, nullptr);
}

// The shipped catalogues' texts are longer than the English ones: each one
// ends inside its window, and a button is at least as wide as its label.
TEST_F(ScreensDrawnTest, TranslatedTextsFitTheirWindows) {
  struct Row {
    const char* language;
    const char* prefix;  // of the picture's name
  } rows[] = {{"FRANCAIS", "fr"}, {"DEUTSCH", "de"}};
  auto labelFits = [](GUIButton* b) { return b->Font->TextWidth(b->Text, 1.0f) < b->Width; };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.language);
    const std::string catalogue = std::string(QUORVEL_SOURCE_DIR) + "/assets/" + row.language + ".CAT";
    ASSERT_EQ(OpenLanguageFile(catalogue.c_str(), row.language), 1);
    reg_.Installed = 1;
    std::snprintf(reg_.Directory, sizeof reg_.Directory, "/home/player/.local/share/Quorvel Online/");
    Build();
    SplashScreen* menu = MainWin->SplashWin;
    Shoot((std::string(row.prefix) + "-menu-launch").c_str());
    GUIToggleButton* scan = menu->ScanAllFilesBox;
    EXPECT_LE(scan->X + scan->Width + 2 + DefaultGUIObjFont->TextWidth(GetString("Scan All Files"), 1.0f),
              menu->Width - 5);

    MainWin->ShowOnly(MainWin->InstallWin);
    Shoot((std::string(row.prefix) + "-install-directory").c_str());
    InstallWindow* install = MainWin->InstallWin;
    EXPECT_TRUE(labelFits(install->BrowseButton)) << install->BrowseButton->Text;
    EXPECT_LE(install->BrowseButton->X + install->BrowseButton->Width, install->NextButton->X);

    MainWin->ShowOnly(MainWin->SplashWin);
    ConnectionPrefsWindow* prefs = ConnectionPrefsWindow::Open(MainWin);
    // Both proxies ticked: every caption shows.
    prefs->UseProxy = prefs->UseProxyToggle->State = 1;
    prefs->GameUsesProxy = prefs->GameProxyToggle->State = 1;
    prefs->CheckEntryBoxStatus();
    Shoot((std::string(row.prefix) + "-connection-settings").c_str());
    EXPECT_TRUE(labelFits(prefs->DetectButton)) << prefs->DetectButton->Text;
    GUIToggleButton* socks = prefs->GameProxyToggle;
    EXPECT_LE(socks->X + socks->Width + 4 +
                  DefaultGUIObjFont->TextWidth(GetString("@WUse SOCKS5 for logging on to Quorvel Online"), 1.0f),
              prefs->Width - prefs->RightInset);
    KillAllGUIObjects();
    FreeHashList();
  }
}

TEST_F(ScreensDrawnTest, OnlyTheFirstFullPresentIsTraced) {
  Build();
  GUIFullPresents = 0;
  ClearTrace();
  Shoot("menu-again");
  MainWin->SplashWin->Redraw();
  GUIRedrawWindows();
  Shoot("menu-again");
  int presents = 0;
  for (const std::string& line : TraceLines()) presents += line == "present";
  EXPECT_EQ(presents, 1) << TraceText();
}

}  // namespace
