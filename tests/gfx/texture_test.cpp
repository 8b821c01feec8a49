// Loading textures by name and drawing them in each back-buffer format.
#include "gfx/texture.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstring>

#include "gfx/texture_control_file.h"
#include "gfx_test_support.h"
#include "support/fatal.h"
#include "support/files.h"

namespace {

TrueColorBitmap Pixels(int w, int h, std::vector<uint8_t> rgb, std::vector<uint8_t> alpha = {}) {
  TrueColorBitmap image;
  image.Width = w;
  image.Height = h;
  image.RGB = std::move(rgb);
  image.Alpha = std::move(alpha);
  return image;
}

// Runs each test in a scratch directory holding zindimgs/, with a device.
class Textures : public ::testing::TestWithParam<PixelFormat> {
 protected:
  void SetUp() override {
    char cwd[1024];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    oldDir = cwd;
    dir = ScratchDir(std::string("tex-") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    for (char& c : dir)
      if (c == '/' && false) c = '_';
    ASSERT_EQ(chdir(dir.c_str()), 0);
    dev = MakeDevice(GetParam());
    CheckTgaJpeg = 1;
    notgahook = CheckMissingFilename;
  }
  void TearDown() override {
    CleanupDisplay();
    FreeTextureControls();
    MainMemTextureCacheSize = 0;
    GfxDevice::SkinDirName[0] = 0;
    notgahook = MissingTGAHook;
    CheckTgaJpeg = 0;
    ASSERT_EQ(chdir(oldDir.c_str()), 0);
  }
  void Put(const std::string& name, const TrueColorBitmap& image) {
    WriteFileBytes(dir + "/" + name, EncodeTga(image));
  }
  uint32_t Screen(uint8_t r, uint8_t g, uint8_t b) { return PackRGB(GfxDevice::ScreenFormat, r, g, b); }
  uint32_t At(int x, int y) {
    return dev->RawPixel(x, y) & (GfxDevice::ScreenFormat == MPF_RGB888_32 ? 0xFFFFFF : 0xFFFF);
  }

  std::string oldDir, dir;
  VGA565Device* dev = nullptr;
};

TEST_P(Textures, EachNameLoadsOnceWhateverItsCaseOrSeparators) {
  Put("zindimgs/menublue.tga", SolidImage(4, 4, 0, 0, 200));
  TextureMap* a = dev->LoadTexture("zindimgs/menublue.tga", 0);
  ASSERT_NE(a, nullptr);
  EXPECT_STREQ(a->Name, "MENUBLUE.TGA");
  EXPECT_STREQ(a->PathName, "ZINDIMGS\\MENUBLUE.TGA");
  EXPECT_EQ(a->Width, 4);
  EXPECT_FALSE(a->Flags & TEXTURE_MISSING);
  EXPECT_EQ(dev->LoadTexture("zindimgs/menublue.tga", 0), a);
  EXPECT_EQ(dev->LoadTexture("ZINDIMGS\\MENUBLUE.TGA", 0), a);
  EXPECT_EQ(dev->LoadTexture("other/dir/MenuBlue.tga", 0), a);  // the key is the base name
  int count = 0;
  for (TextureMap* t = GfxDevice::TextureList; t; t = t->NextTexture) ++count;
  EXPECT_EQ(count, 1);
}

TEST_P(Textures, AlphaZeroIsNotDrawnAndEveryOtherAlphaIsOpaque) {
  Put("zindimgs/icon.tga", Pixels(3, 1, {255, 0, 0, 0, 255, 0, 0, 0, 255}, {0, 1, 255}));
  TextureMap* t = dev->LoadTexture("zindimgs/icon.tga", 0);
  EXPECT_TRUE(t->HasTransparency());
  dev->ClearRegion(10, 20, 30, 0, 0, 63, 47);
  dev->CopyTMap(5.7f, 6.2f, t);  // truncated to (5, 6)
  EXPECT_EQ(At(5, 6), Screen(10, 20, 30));
  EXPECT_EQ(At(6, 6), Screen(0, 255, 0));
  EXPECT_EQ(At(7, 6), Screen(0, 0, 255));
  EXPECT_TRUE(t->IsTransparentPixel(0, 0));
  EXPECT_FALSE(t->IsTransparentPixel(1, 0));
}

TEST_P(Textures, PureMagentaIsTransparentOnSixteenBitScreens) {
  Put("zindimgs/arrow.tga", Pixels(2, 1, {255, 0, 255, 250, 250, 250}));
  TextureMap* t = dev->LoadTexture("zindimgs/arrow.tga", 0);
  dev->ClearRegion(10, 20, 30, 0, 0, 63, 47);
  dev->CopyTMap(0, 0, t);
  if (GfxDevice::ScreenFormat == MPF_RGB888_32) {
    // The 32-bit conversion keeps an opaque magenta (only alpha 0 is clear).
    EXPECT_FALSE(t->HasTransparency());
  } else {
    EXPECT_TRUE(t->HasTransparency());
    EXPECT_EQ(At(0, 0), Screen(10, 20, 30));
  }
  EXPECT_EQ(At(1, 0), Screen(250, 250, 250));
  // An image with no transparent pixel is copied whole.
  Put("zindimgs/solid.tga", SolidImage(2, 2, 1, 2, 3, 255));
  EXPECT_FALSE(dev->LoadTexture("zindimgs/solid.tga", 0)->HasTransparency());
}

TEST_P(Textures, APngOfTheSameNameIsPreferred) {
  Put("zindimgs/signin.tga", SolidImage(2, 2, 1, 1, 1));
  std::vector<uint8_t> png = ReadFileBytes(std::string(QUORVEL_SOURCE_DIR) + "/tests/gfx/data/rgba.png");
  WriteFileBytes(dir + "/zindimgs/signin.png", png);
  TextureMap* t = dev->LoadTexture("zindimgs/signin.tga", 0);
  EXPECT_EQ(t->Width, 3);
}

TEST_P(Textures, AMissingOrUnreadableImageBecomesOneTransparentPixel) {
  std::vector<uint8_t> colourMapped(18 + 3, 0);
  colourMapped[1] = 1, colourMapped[2] = 1, colourMapped[12] = 1, colourMapped[14] = 1, colourMapped[16] = 8;
  WriteFileBytes(dir + "/zindimgs/cmap.tga", colourMapped);
  std::vector<uint8_t> sixteen(18 + 2, 0);
  sixteen[2] = 2, sixteen[12] = 1, sixteen[14] = 1, sixteen[16] = 16;
  WriteFileBytes(dir + "/zindimgs/sixteen.tga", sixteen);
  dev->ClearRegion(10, 20, 30, 0, 0, 63, 47);
  for (const char* name : {"zindimgs/absent.tga", "zindimgs/cmap.tga", "zindimgs/sixteen.tga"}) {
    TextureMap* t = dev->LoadTexture(name, 0);
    ASSERT_NE(t, nullptr) << name;
    EXPECT_TRUE(t->Flags & TEXTURE_MISSING) << name;
    EXPECT_EQ(t->Width, 1);
    EXPECT_EQ(t->Height, 1);
    dev->CopyTMap(0, 0, t);
    dev->TmapBlit(0, 10, 0, 10, 0, t, 0);
    EXPECT_EQ(At(0, 0), Screen(10, 20, 30)) << name;
    EXPECT_EQ(At(9, 9), Screen(10, 20, 30)) << name;
  }
  EXPECT_STREQ(dev->LoadTexture("zindimgs/absent.tga", 0)->PathName, "zindimgs\\absent.tga");
  // Damaged or foreign files under the other extensions take the same path.
  std::string data = std::string(QUORVEL_SOURCE_DIR) + "/tests/gfx/data/";
  WriteFileBytes(dir + "/zindimgs/cutpng.png", ReadFileBytes(data + "truncated.png"));
  WriteFileBytes(dir + "/zindimgs/cutjpg.jpg", ReadFileBytes(data + "truncated.jpg"));
  WriteFileBytes(dir + "/zindimgs/cuttif.tif", ReadFileBytes(data + "truncated.tif"));
  WriteFileBytes(dir + "/zindimgs/text.tga", ReadFileBytes(data + "not_an_image.txt"));
  for (const char* name : {"zindimgs/cutpng.tga", "zindimgs/cutjpg.tga", "zindimgs/cuttif.tga", "zindimgs/text.tga"}) {
    TextureMap* t = dev->LoadTexture(name, 0);
    EXPECT_TRUE(t->Flags & TEXTURE_MISSING) << name;
    EXPECT_EQ(t->Width, 1) << name;
  }
  notgahook = MissingTGAHook;
  EXPECT_FATAL(dev->LoadTexture("zindimgs/gone.tga", 0), "Missing TGA file ZINDIMGS\\GONE.TGA");
}

TEST_P(Textures, BaseNamesLongerThanThirteenCharactersAreFatal) {
  Put("zindimgs/abcdefghi.tga", SolidImage(1, 1, 1, 1, 1));
  EXPECT_NO_FATAL(dev->LoadTexture("zindimgs/abcdefghi.tga", 0));  // 13 characters
  EXPECT_FATAL(dev->LoadTexture("zindimgs/abcdefghij.tga", 0),
               "texture name ABCDEFGHIJ.TGA is longer than 13 characters");
}

TEST_P(Textures, StretchedBlitsScaleAndKeepTransparency) {
  Put("zindimgs/two.tga", Pixels(2, 1, {255, 0, 0, 0, 0, 255}, {255, 0}));
  TextureMap* t = dev->LoadTexture("zindimgs/two.tga", 0);
  dev->ClearRegion(10, 20, 30, 0, 0, 63, 47);
  dev->TmapBlit(4, 8, 2, 4, 0, t, 0);  // 4 by 2
  EXPECT_EQ(At(4, 2), Screen(255, 0, 0));
  EXPECT_EQ(At(5, 3), Screen(255, 0, 0));
  EXPECT_EQ(At(6, 2), Screen(10, 20, 30));
  EXPECT_EQ(At(7, 3), Screen(10, 20, 30));
  EXPECT_EQ(At(8, 2), Screen(10, 20, 30));  // x2 is exclusive
  EXPECT_EQ(At(4, 4), Screen(10, 20, 30));
  dev->TmapBlit(20, 22, 20, 21, 0, t, 0);  // own size: a plain copy
  EXPECT_EQ(At(20, 20), Screen(255, 0, 0));
  EXPECT_EQ(At(21, 20), Screen(10, 20, 30));
  dev->TmapBlit(30, 30, 0, 5, 0, t, 0);          // empty: nothing
  dev->TmapBlit(-100, 200, -100, 200, 0, t, 0);  // far past the edges: clipped
  dev->CopyTMap(1e30f, -1e30f, t);               // absurd places draw nothing
  dev->TmapBlit(-1e30f, 1e30f, 0, 1, 0, t, 0);
  dev->CopyTMap(std::nanf(""), 0, t);
}

TEST_P(Textures, ControlFileAliasPalettedAndNeedsAlphaChangeWhatIsDrawn) {
  Put("zindimgs/real.tga", SolidImage(2, 2, 0, 255, 0));
  Put("zindimgs/stand.tga", SolidImage(5, 5, 255, 0, 0));
  Put("zindimgs/pal.tga", Pixels(2, 1, {200, 100, 0, 7, 7, 7}, {255, 0}));
  Put("zindimgs/half.tga", Pixels(1, 1, {255, 255, 255}, {128}));
  const char ctl[] =
      "TEXTURE stand.tga\nALIAS zindimgs/real.tga\nTEXTURE PAL\nPALETTED\nTEXTURE half.tga\nNEEDSALPHA\n";
  ReadTextureControlText(ctl, sizeof ctl - 1);
  dev->ClearRegion(0, 0, 0, 0, 0, 63, 47);

  TextureMap* stand = dev->LoadTexture("zindimgs/stand.tga", 0);
  EXPECT_EQ(stand->Width, 2);
  dev->CopyTMap(0, 0, stand);
  EXPECT_EQ(At(1, 1), Screen(0, 255, 0));
  EXPECT_EQ(At(2, 2), 0u);

  TextureMap* pal = dev->LoadTexture("zindimgs/pal.tga", 0);
  EXPECT_EQ(pal->TexFormat, MPF_PAL8);
  EXPECT_EQ(pal->SizeBytes, 2u);
  dev->CopyTMap(10, 0, pal);
  EXPECT_EQ(At(10, 0), Screen(200, 100, 0));
  EXPECT_EQ(At(11, 0), 0u);

  TextureMap* half = dev->LoadTexture("zindimgs/half.tga", 0);
  EXPECT_EQ(half->TexFormat, GfxDevice::ScreenFormat == MPF_RGB888_32 ? MPF_ARGB8888 : MPF_ARGB4444);
  dev->ClearRegion(0, 0, 255, 20, 0, 20, 0);
  dev->CopyTMap(20, 0, half);
  uint8_t r, g, b;
  dev->ReadPixel(20, 0, &r, &g, &b);
  EXPECT_NEAR(r, 136, 8);  // white over blue at about one half
  EXPECT_NEAR(b, 255, 8);
}

TEST_P(Textures, AliasLoopsAreRefused) {
  const char ctl[] = "TEXTURE a\nALIAS b.tga\nTEXTURE b\nALIAS a.tga\n";
  ReadTextureControlText(ctl, sizeof ctl - 1);
  EXPECT_FATAL(dev->LoadTexture("a.tga", 0), "can't find texture B.TGA");
}

TEST_P(Textures, BudgetReleasesLeastRecentlyUsedAndReloadsOnUse) {
  Put("zindimgs/t1.tga", SolidImage(8, 8, 255, 0, 0));
  Put("zindimgs/t2.tga", SolidImage(8, 8, 0, 255, 0));
  Put("zindimgs/t3.tga", SolidImage(8, 8, 0, 0, 255));
  unsigned long one = 8 * 8 * BytesPerPixel(GfxDevice::ScreenFormat);
  dev->SetTextureCacheAttributes(2 * one, 1);
  TextureMap* t1 = dev->LoadTexture("zindimgs/t1.tga", 0);
  TextureMap* t2 = dev->LoadTexture("zindimgs/t2.tga", 0);
  dev->CopyTMap(0, 0, t1);  // t1 is now more recent than t2
  TextureMap* t3 = dev->LoadTexture("zindimgs/t3.tga", 0);
  EXPECT_NE(t1->Pixels, nullptr);
  EXPECT_EQ(t2->Pixels, nullptr);
  EXPECT_NE(t3->Pixels, nullptr);
  EXPECT_LE(MainMemTextureCacheUsed, 2 * one);
  dev->CopyTMap(20, 0, t2);  // comes back
  EXPECT_EQ(At(20, 0), Screen(0, 255, 0));
  EXPECT_LE(MainMemTextureCacheUsed, 2 * one);
}

TEST_P(Textures, PathRewritingChangesWhereTheFileIsRead) {
  Put("zindimgs/rewrite.tga", SolidImage(3, 3, 0, 0, 200));
  ChangePathBasename("old/art/", "zindimgs\\");
  TextureMap* t = dev->LoadTexture("c:/Old/Art/rewrite.tga", 0);
  ChangePathBasename("", "");
  // The new head stands as given; the rest of the name is upper-cased.
  EXPECT_STREQ(t->PathName, "zindimgs\\REWRITE.TGA");
  EXPECT_EQ(t->Width, 3);
  EXPECT_FALSE(t->Flags & TEXTURE_MISSING);
  // The rewrite is applied once, also when the new head contains the old.
  Put("art/hires/twice.tga", SolidImage(2, 2, 0, 0, 200));
  ChangePathBasename("art/", "art\\hires\\");
  TextureMap* once = dev->LoadTexture("art/twice.tga", 0);
  ChangePathBasename("", "");
  EXPECT_STREQ(once->PathName, "art\\hires\\TWICE.TGA");
  EXPECT_EQ(once->Width, 2);
}

TEST_P(Textures, TheSkinDirectoryIsSearchedFirst) {
  Put("zindimgs/menublue.tga", SolidImage(4, 4, 0, 0, 200));
  Put("myskin/MENUBLUE.TGA", SolidImage(6, 6, 0, 0, 200));
  dev->SetSkinPathName((dir + "/myskin").c_str());
  EXPECT_EQ(dev->LoadTexture("zindimgs/menublue.tga", 0)->Width, 6);
}

TEST_P(Textures, DarkenUnderOpaqueTexelsAndSeventyFivePercentCopies) {
  Put("zindimgs/shape.tga", Pixels(2, 1, {0, 0, 0, 0, 0, 0}, {255, 0}));
  Put("zindimgs/white.tga", SolidImage(1, 1, 255, 255, 255));
  dev->ClearRegion(200, 200, 200, 0, 0, 63, 47);
  uint32_t grey = At(0, 0);
  dev->DarkenRectWithTransparency(0, 0, dev->LoadTexture("zindimgs/shape.tga", 0));
  EXPECT_NE(At(0, 0), grey);
  EXPECT_EQ(At(1, 0), grey);
  dev->ClearRegion(0, 0, 0, 5, 5, 5, 5);
  dev->CopyTMapTrans7525(5, 5, dev->LoadTexture("zindimgs/white.tga", 0));
  uint8_t r, g, b;
  dev->ReadPixel(5, 5, &r, &g, &b);
  EXPECT_NEAR(r, 191, 10);
}

INSTANTIATE_TEST_SUITE_P(AllFormats, Textures, ::testing::ValuesIn(kDesktopFormats),
                         [](const auto& info) { return std::string(FormatName(info.param)); });

}  // namespace
