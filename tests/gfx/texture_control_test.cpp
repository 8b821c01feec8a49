// Reading txtr.ctl: keywords, entries and the fatal texts.
#include <gtest/gtest.h>

#include <string>

#include "gfx/texture_control_file.h"
#include "support/fatal.h"

namespace {

class ControlFile : public ::testing::Test {
 protected:
  void TearDown() override { FreeTextureControls(); }
  void Read(const std::string& text) { ReadTextureControlText(text.data(), text.size()); }
};

TEST_F(ControlFile, EntriesCollectTheirKeywords) {
  Read(
      "; skin attributes\n"
      "  texture Menublue.tga   ; comment after a name\n"
      "\tSCROLL 1.5 -2\n"
      "TINT 1 2 3 4\n"
      "ROTATE 90\n"
      "FRAMETIME 12\n"
      "NODITHER\n"
      "CANBETEXTURE other\n"
      "MYSTERY 1 2 3\n"
      "TEXTURE arrowup\n"
      "PALETTED\n"
      "TEXTURE MENUBLUE.TGA\n"
      "NEEDSALPHA\r\n");
  TextureControl* c = FindTControl("zindimgs\\menublue.tga");
  ASSERT_NE(c, nullptr);
  EXPECT_STREQ(c->Name, "MENUBLUE");
  EXPECT_FLOAT_EQ(c->ScrollU, 1.5f);
  EXPECT_FLOAT_EQ(c->ScrollV, -2.0f);
  EXPECT_EQ(c->Tint[3], 4);
  EXPECT_EQ(c->Rotate, 90);
  EXPECT_FLOAT_EQ(c->Values[TC_FRAMETIME], 12.0f);
  EXPECT_TRUE(c->Has(TC_NODITHER));
  EXPECT_TRUE(c->Has(TC_NEEDSALPHA));  // the entry was reopened
  EXPECT_FALSE(c->Has(TC_PALETTED));
  EXPECT_STREQ(c->CanBeTexture, "OTHER");
  EXPECT_TRUE(FindTControl("ARROWUP.TGA")->Has(TC_PALETTED));
  EXPECT_EQ(FindTControl("arrowdn.tga"), nullptr);
  int entries = 0;
  for (TextureControl* e = TCList; e; e = e->Next) ++entries;
  EXPECT_EQ(entries, 2);
  for (int k = 0; k < TC_KeywordCount; ++k) EXPECT_NE(TextureControlKeywordName(k), nullptr);
}

TEST_F(ControlFile, CommandsBeforeAnyTextureAreFatalOrIgnored) {
  EXPECT_FATAL(Read("SCROLL 1 1\n"), "scroll cmd not associated with texture");
  EXPECT_FATAL(Read("ALIAS x\n"), "alias cmd not associated with texture");
  EXPECT_NO_FATAL(Read("TINT 1 1 1 1\nPALETTED\n"));
  EXPECT_EQ(TCList, nullptr);
  // A new file starts without an open entry.
  Read("TEXTURE a\n");
  EXPECT_FATAL(Read("SCROLL 1 1\n"), "scroll cmd not associated with texture");
}

TEST_F(ControlFile, NamesLongerThanSeventyNineCharacters) {
  std::string n79(79, 'N'), n80(80, 'N');
  EXPECT_NO_FATAL(Read("TEXTURE a\nALIAS " + n79 + "\n"));
  EXPECT_STREQ(FindTControl("a")->Alias, n79.c_str());
  EXPECT_FATAL(Read("TEXTURE a\nALIAS " + n80 + "\n"), "alias name too long");
  EXPECT_FATAL(Read("TEXTURE a\nCANBETEXTURE " + n80 + "\n"), "CANBETEXTURE name too long");
  Read("TEXTURE " + std::string(120, 'L') + "\n");  // kept at 79 characters
  EXPECT_NE(FindTControl(std::string(79, 'L').c_str()), nullptr);
}

TEST_F(ControlFile, OnlyTheFirstTwoHundredCharactersOfALineCount) {
  // The tail of a long line must not be read as a line of its own.
  std::string line = "TEXTURE a" + std::string(191, ' ') + "SCROLL 5 5 TEXTURE b\n";
  ASSERT_GT(line.size(), 200u);
  EXPECT_NO_FATAL(Read("TEXTURE first\n" + line + "PALETTED\n"));
  EXPECT_EQ(FindTControl("b"), nullptr);
  EXPECT_FLOAT_EQ(FindTControl("first")->ScrollU, 0.0f);
  EXPECT_TRUE(FindTControl("a")->Has(TC_PALETTED));
  // A line cut inside a keyword loses the keyword.
  Read("TEXTURE c\n" + std::string(196, ' ') + "PALETTED\n");
  EXPECT_FALSE(FindTControl("c")->Has(TC_PALETTED));
}

TEST_F(ControlFile, NamesWithSeveralDotsAreFoundByTheirFileName) {
  Read("TEXTURE menu.blue.tga\nPALETTED\nTEXTURE c:\\art\\x.tga\nNODITHER\n");
  ASSERT_NE(FindTControl("MENU.BLUE.TGA"), nullptr);
  EXPECT_STREQ(FindTControl("MENU.BLUE.TGA")->Name, "MENU.BLUE");
  EXPECT_NE(FindTControl("zindimgs/x.tga"), nullptr);
  FreeTextureControls();
  // One extension comes off, once: "menu.blue" is its own entry, not "menu"
  // reopened, and a repeated dotted name reopens its entry.
  Read(
      "TEXTURE menu.tga\nPALETTED\nTEXTURE menu.blue.tga\nNEEDSALPHA\n"
      "TEXTURE a.b.tga\nPALETTED\nTEXTURE a.b.tga\nNODITHER\n");
  ASSERT_NE(FindTControl("menu.tga"), nullptr);
  EXPECT_FALSE(FindTControl("menu.tga")->Has(TC_NEEDSALPHA));
  ASSERT_NE(FindTControl("MENU.BLUE.TGA"), nullptr);
  EXPECT_TRUE(FindTControl("MENU.BLUE.TGA")->Has(TC_NEEDSALPHA));
  int entries = 0;
  for (TextureControl* c = TCList; c; c = c->Next) entries += std::string(c->Name) == "A.B";
  EXPECT_EQ(entries, 1);
  EXPECT_TRUE(FindTControl("a.b.tga")->Has(TC_PALETTED));
  EXPECT_TRUE(FindTControl("a.b.tga")->Has(TC_NODITHER));
}

TEST_F(ControlFile, AMissingFileIsNotAnError) {
  EXPECT_NO_FATAL(ReadTextureControlFile("no/such/dir/txtr.ctl"));
  EXPECT_EQ(TCList, nullptr);
}

}  // namespace
