// The player's language: "language.txt" read at start, the catalogues listed
// in the menu's box, and a choice made there through the input path, which
// writes the file and changes the drawn captions at once.
#include "launcher/localisation.h"

#include <unistd.h>

#include <string>

#include "gfx/memory_device.h"
#include "gui/gui_button.h"
#include "gui/gui_drop_down_box.h"
#include "gui/gui_redraw.h"
#include "launcher/screen_splash.h"
#include "screens_fixture.h"
#include "support/fatal.h"

namespace {

std::string CatalogueSource() { return ReadFileText(std::string(QUORVEL_SOURCE_DIR) + "/assets/FRANCAIS.CAT"); }

class LanguageTest : public ScreensTest {
 protected:
  GfxDevice* MakeDevice() override { return new MemoryDevice(720, 505, MPF_RGB888_32); }
  MemoryDevice* Device() { return static_cast<MemoryDevice*>(CurGfxDevice); }
  void SetUp() override {
    ScreensTest::SetUp();
    // The buttons load their textures from the skin.
    ASSERT_EQ(symlink(QUORVEL_SOURCE_DIR "/assets/zindimgs", (dir_ / "zindimgs").c_str()), 0);
  }

  // The pixels of the area where the language box's caption is drawn (the
  // box as placed with catalogues on the not-installed menu).
  std::vector<uint32_t> CaptionArea() {
    Need_Redraw = 1;
    GUIRedrawWindows();
    std::vector<uint32_t> pixels;
    for (int y = 380 - 22; y < 380 - 4; ++y)
      for (int x = 480; x < 705; ++x) pixels.push_back(Device()->RawPixel(x, y));
    return pixels;
  }
  static bool Uniform(const std::vector<uint32_t>& pixels) {
    for (uint32_t p : pixels)
      if (p != pixels[0]) return false;
    return true;
  }
  // Opens the language box by its traced rectangle and clicks the item.
  void PickLanguage(const std::string& item) {
    GUIDropDownBox* box = MainWin->SplashWin->LanguageBox;
    ASSERT_NE(box, nullptr);
    TracedWidget traced;
    ASSERT_TRUE(FindWidget(box->GetSelectedText() ? box->GetSelectedText() : "", &traced)) << TraceText();
    ASSERT_EQ(traced.kind, "dropdown");
    Click(traced.x + traced.w - 5, traced.y + traced.h / 2);
    GUIMenuObject* list = box->List;
    ASSERT_NE(list, nullptr) << "the box did not open";
    int index = -1;
    for (size_t i = 0; i < list->Items.size(); ++i)
      if (list->Items[i].text == item) index = int(i);
    ASSERT_GE(index, 0) << item;
    int top = 2 + (list->Scrolls() ? 10 : 0);
    Click(list->AbsoluteX() + list->Width / 2,
          list->AbsoluteY() + top + index * list->ItemHeight + list->ItemHeight / 2);
  }
};

TEST_F(LanguageTest, WithoutCataloguesThereIsNoBoxNoCaptionAndNoLanguageFile) {
  Build();
  EXPECT_EQ(MainWin->SplashWin->LanguageBox, nullptr);
  EXPECT_TRUE(Uniform(CaptionArea())) << "nothing is drawn where the caption would be";
  EXPECT_FALSE(Contains(TraceText(), "widget dropdown"));
  MainWin->SplashWin->SetLanguage();
  EXPECT_FALSE(PlatFileExists(dir_ / "language.txt"));

  // The same area with a catalogue holds the caption, so the check can fail.
  WriteFileText(dir_ / "FRANCAIS.CAT", CatalogueSource());
  KillAllGUIObjects();
  Build();
  ASSERT_NE(MainWin->SplashWin->LanguageBox, nullptr);
  EXPECT_FALSE(Uniform(CaptionArea()));
}

TEST_F(LanguageTest, TheBoxListsEnglishThenEachCatalogueWithoutItsExtension) {
  WriteFileText(dir_ / "french.cat", "");
  WriteFileText(dir_ / "a.b.cat", "");
  WriteFileText(dir_ / "GERMAN.CAT", "");
  WriteFileText(dir_ / "notes.txt", "");
  WriteFileText(dir_ / "abcdefghijklmnopqrstuvwxyz0123456789.cat", "");
  Build();
  GUIDropDownBox* box = MainWin->SplashWin->LanguageBox;
  ASSERT_NE(box, nullptr);
  std::vector<std::string> names;
  for (auto& item : box->Items) names.push_back(item.text + "=" + std::to_string(item.value));
  EXPECT_EQ(names, (std::vector<std::string>{"ENGLISH=0", "a.b=1", "abcdefghijklmnopqrstuvwxyz01234=2", "french=3",
                                             "GERMAN=4"}))
      << "in the directory's order, letters compared without regard to case";
  EXPECT_EQ(box->Selected, -1) << "no language.txt: nothing selected";
  EXPECT_EQ(box->Y, 380);
  EXPECT_EQ(box->X + box->Width, 720 - 15);
  EXPECT_EQ(box->Height, 25);

  reg_.Installed = 1;
  KillAllGUIObjects();
  Build();
  EXPECT_EQ(MainWin->SplashWin->LanguageBox->Y, kLanguageBoxInstalledY);
}

TEST_F(LanguageTest, ChoosingFrancaisInTheBoxWritesTheFileAndRelabelsTheCaptionsAtOnce) {
  WriteFileText(dir_ / "FRANCAIS.CAT", CatalogueSource());
  Build();
  std::vector<uint32_t> before = CaptionArea();
  PickLanguage("FRANCAIS");
  EXPECT_EQ(ReadFileText(dir_ / "language.txt"), std::string("FRANCAIS\0", 9)) << "the name and its NUL";
  EXPECT_STREQ(ZindleLanguageID, "FRANCAIS");
  EXPECT_STREQ(GetString("Select Language"), "Choisir la langue");
  EXPECT_NE(CaptionArea(), before) << "the caption is drawn in French at once";
  // Labels built at construction keep their language until the next start.
  EXPECT_STREQ(MainWin->SplashWin->InstallButton->Text, "Install");

  // The next start reads the choice before the screens are built.
  KillAllGUIObjects();
  FreeHashList();
  ZindleLanguageID[0] = 0;
  ASSERT_EQ(ReadLanguageChoice(), 1);
  Build();
  EXPECT_STREQ(MainWin->SplashWin->InstallButton->Text, "Installer");
  EXPECT_STREQ(MainWin->SplashWin->LanguageBox->GetSelectedText(), "FRANCAIS");

  // Back to English: the file says so and no catalogue remains.
  ClearTrace();
  MainWin->SplashWin->LayoutChildren();
  MainWin->SplashWin->Enable();
  PickLanguage("ENGLISH");
  EXPECT_EQ(ReadFileText(dir_ / "language.txt"), std::string("ENGLISH\0", 8));
  EXPECT_STREQ(GetString("Select Language"), "Select Language");
}

TEST_F(LanguageTest, LanguageFilesThatDoNotNameALoadableCatalogueLeaveEnglish) {
  WriteFileText(dir_ / "FRANCAIS.CAT", CatalogueSource());
  struct Case {
    std::string content;
    std::string id;
  };
  const Case cases[] = {
      {std::string("FRANCAIS\0junk", 13), "FRANCAIS"},  // loads: the control case
      {std::string(32, 'F'), std::string(31, 'F')},     // 32 bytes, no NUL: cut, never unterminated
      {std::string("DEUTSCH\0", 8), "DEUTSCH"},         // no such catalogue
      {"", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    FreeHashList();
    ZindleLanguageID[0] = 0;
    WriteFileText(dir_ / "language.txt", c.content);
    int loaded = ReadLanguageChoice();
    EXPECT_EQ(std::string(ZindleLanguageID), c.id);
    EXPECT_EQ(loaded, c.id == "FRANCAIS");
    EXPECT_STREQ(GetString("Install"), c.id == "FRANCAIS" ? "Installer" : "Install");
    KillAllGUIObjects();
    Build();
    GUIDropDownBox* box = MainWin->SplashWin->LanguageBox;
    EXPECT_EQ(box->Selected, c.id == "FRANCAIS" ? 1 : -1) << "a missing catalogue selects nothing";
  }
}

TEST_F(LanguageTest, ADamagedCatalogueLeavesEnglishAndNothingStops) {
  const std::string damaged[] = {
      "DEUTSCH\n\nInstall\nInstallieren\n",              // does not list the language
      std::string("\x01\xff\x00\x00\x01\n\n\x01", 8),    // binary
      "FRANCAIS\n\nInstall\n" + std::string(5000, 'x'),  // an overlong line
  };
  for (const std::string& content : damaged) {
    WriteFileText(dir_ / "FRANCAIS.CAT", content);
    FreeHashList();
    std::optional<std::string> stop = CatchFatal([&] { ChooseLanguage("FRANCAIS"); });
    EXPECT_EQ(stop, std::nullopt);
    EXPECT_EQ(ReadFileText(dir_ / "language.txt"), std::string("FRANCAIS\0", 9));
    const char* install = GetString("Install");
    EXPECT_TRUE(std::string(install) == "Install" || content.find("FRANCAIS") == 0) << install;
  }
}

TEST_F(LanguageTest, ACatalogueIsFoundWhateverTheCaseOfItsName) {
  WriteFileText(dir_ / "francais.cat", CatalogueSource());
  WriteFileText(dir_ / "language.txt", std::string("FRANCAIS\0", 9));
  EXPECT_EQ(ReadLanguageChoice(), 1);
  EXPECT_STREQ(GetString("Install"), "Installer");
}

}  // namespace
