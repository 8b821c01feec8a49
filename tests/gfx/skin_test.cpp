// The default skin: every image the launcher loads exists and decodes, the
// pieces have the sizes the toolkit relies on, and a sample screen drawn
// through the real device shows them with text in every format.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "gfx/texture.h"
#include "gfx/texture_control_file.h"
#include "gfx_test_support.h"
#include "sample_screen.h"
#include "support/files.h"

namespace {

const char* const kLauncherImages[] = {
    "menublue", "menudkgr", "button01", "button02", "button03", "signin",   "arromenu", "lside",    "rside",
    "bottom",   "cornerll", "cornerlr", "cornerur", "cornerul", "arrowup",  "arrowdn",  "arrowlft", "arrowrt",
    "scrollm",  "ttlbar",   "icnok",    "icncancl", "icnhelp",  "closebt1", "minibt1",  "dropdown", "dddown",
    "ddup",     "btn01lu",  "btn01cu",  "btn01ru",  "btn01ld",  "btn01cd",  "btn01rd"};

std::string Assets() { return std::string(QUORVEL_SOURCE_DIR) + "/assets"; }

TEST(DefaultSkin, EveryLauncherImageDecodesWithTheExpectedShape) {
  for (const char* name : kLauncherImages) {
    std::vector<uint8_t> bytes = ReadFileBytes(Assets() + "/zindimgs/" + name + ".tga");
    TrueColorBitmap image;
    ASSERT_TRUE(DecodeTga(bytes.data(), bytes.size(), &image, nullptr)) << name;
  }
  auto size = [](const char* name) {
    std::vector<uint8_t> bytes = ReadFileBytes(Assets() + "/zindimgs/" + name + ".tga");
    TrueColorBitmap image;
    DecodeTga(bytes.data(), bytes.size(), &image, nullptr);
    return std::pair<int, int>(image.Width, image.Height);
  };
  // Pieces that are drawn next to each other agree in size.
  for (const char* piece : {"btn01lu", "btn01cu", "btn01ru", "btn01ld", "btn01cd", "btn01rd"})
    EXPECT_EQ(size(piece), (std::pair<int, int>(8, 24))) << piece;
  for (const char* corner : {"cornerll", "cornerlr", "cornerur", "cornerul"})
    EXPECT_EQ(size(corner), (std::pair<int, int>(6, 6))) << corner;
  EXPECT_EQ(size("lside").first, 6);
  EXPECT_EQ(size("bottom").second, 6);
  EXPECT_EQ(size("signin"), (std::pair<int, int>(720, 505)));
  // The control file reads without complaint.
  std::vector<uint8_t> ctl = ReadFileBytes(Assets() + "/zindimgs/txtr.ctl");
  ReadTextureControlText(reinterpret_cast<const char*>(ctl.data()), ctl.size());
  EXPECT_NE(FindTControl("signin.tga"), nullptr);
  FreeTextureControls();
}

TEST(DefaultSkin, TheGeneratorReproducesTheCommittedImages) {
  std::string out = ScratchDir("skin-regenerated");
  std::string command = std::string(QUORVEL_TOOL) + " skin " + out + " " + out + "/back > /dev/null";
  ASSERT_EQ(std::system(command.c_str()), 0);
  // Everything but the lettered backdrop is independent of the installed fonts.
  for (const char* name : kLauncherImages) {
    if (std::string(name) == "signin") continue;
    EXPECT_EQ(ReadFileBytes(out + "/" + name + ".tga"), ReadFileBytes(Assets() + "/zindimgs/" + name + ".tga")) << name;
  }
  std::vector<uint8_t> tile = ReadFileBytes(out + "/back/galvtile.tga");
  EXPECT_FALSE(tile.empty());
  EXPECT_EQ(tile, ReadFileBytes(Assets() + "/backgrnd/galvtile.tga"));
}

class SampleScreen : public ::testing::TestWithParam<PixelFormat> {
 protected:
  void SetUp() override {
    char cwd[1024];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    oldDir = cwd;
    ASSERT_EQ(chdir(Assets().c_str()), 0);
    shot = ScratchDir(std::string("sample-") + FormatName(GetParam())) + "/screen.png";
    setenv("QUORVEL_SCREENSHOT", shot.c_str(), 1);
    dev = MakeDevice(GetParam(), 720, 505);
    unsetenv("QUORVEL_SCREENSHOT");
    CheckTgaJpeg = 1;
    ReadTextureControlFile("zindimgs/txtr.ctl");
    LoadSkinTextures();
    small = new Font2("ms sans serif", "sserife.fon", 32, 0, 6, 16);
    medium = new Font2("system", "vgasys.fon", 32, 0, 7, 18);
  }
  void TearDown() override {
    delete small;
    delete medium;
    CleanupDisplay();
    FreeTextureControls();
    CheckTgaJpeg = 0;
    ASSERT_EQ(chdir(oldDir.c_str()), 0);
  }
  std::string oldDir, shot;
  VGA565Device* dev = nullptr;
  Font2* small = nullptr;
  Font2* medium = nullptr;
};

TEST_P(SampleScreen, ShowsTheSkinAndTextAtKnownPlaces) {
  for (TextureMap* t = GfxDevice::TextureList; t; t = t->NextTexture)
    EXPECT_FALSE(t->Flags & TEXTURE_MISSING) << t->PathName;
  DrawSampleScreen(SampleFonts{small, medium});
  dev->PageSwap();  // writes the screenshot
  using P = SamplePlaces;
  uint8_t r, g, b;
  // The button's rounded corner is transparent: the backdrop shows through.
  TextureMap* signin = dev->LoadTexture("zindimgs/signin.tga", 0);
  ASSERT_EQ(signin->Width, 720);
  uint8_t br, bg, bb;
  dev->ReadPixel(P::kLaunchX, P::kLaunchY, &r, &g, &b);
  // Raised face: blue above, and lighter at the top than the pressed face.
  dev->ReadPixel(P::kLaunchX + 4, P::kLaunchY + 5, &r, &g, &b);
  EXPECT_GT(b, r + 40);
  uint8_t pr, pg, pb;
  dev->ReadPixel(P::kPressedX + 4, P::kPressedY + 5, &pr, &pg, &pb);
  EXPECT_GT(b, pb + 30);
  // The label "Launch" is white somewhere in the middle of the button.
  int white = 0;
  for (int y = P::kLaunchY + 4; y < P::kLaunchY + 20; ++y)
    for (int x = P::kLaunchX + 20; x < P::kLaunchX + 80; ++x) {
      dev->ReadPixel(x, y, &r, &g, &b);
      white += r > 240 && g > 240 && b > 240;
    }
  EXPECT_GT(white, 30);
  // The ticked box has green tick pixels; the empty one has none.
  auto greens = [&](int x0, int y0) {
    int n = 0;
    for (int y = y0; y < y0 + 20; ++y)
      for (int x = x0; x < x0 + 20; ++x) {
        dev->ReadPixel(x, y, &r, &g, &b);
        n += g > 180 && r < 150 && b < 150;
      }
    return n;
  };
  EXPECT_GT(greens(P::kCheckX, P::kCheckY), 10);
  EXPECT_EQ(greens(570, P::kCheckY), 0);
  // The "@R" run is red with a drop shadow.
  int red = 0, dark = 0;
  for (int y = P::kRedTextY; y < P::kRedTextY + 16; ++y)
    for (int x = P::kRedTextX; x < P::kRedTextX + 60; ++x) {
      dev->ReadPixel(x, y, &r, &g, &b);
      red += r > 240 && g < 20 && b < 20;
    }
  EXPECT_GT(red, 40);
  (void)dark;
  // The dialog's top-left corner: outer pixel is the dark outline, the gold
  // rim next to it, and the title bar begins right of the corner.
  dev->ReadPixel(P::kDialogX, P::kDialogY + 3, &r, &g, &b);
  EXPECT_LT(r + g + b, 60);
  dev->ReadPixel(P::kDialogX + 1, P::kDialogY + 3, &r, &g, &b);
  EXPECT_GT(r, 150);
  EXPECT_GT(r, b + 60);
  dev->ReadPixel(P::kDialogX + 10, P::kDialogY + 1, &br, &bg, &bb);
  EXPECT_GT(br, 150);  // the title bar's gold rim continues the corner's

  // The screenshot holds the same picture.
  std::vector<uint8_t> png = ReadFileBytes(shot);
  TrueColorBitmap image;
  ASSERT_TRUE(DecodePng(png.data(), png.size(), &image, nullptr));
  ASSERT_EQ(image.Width, 720);
  ASSERT_EQ(image.Height, 505);
  dev->ReadPixel(P::kCheckX + 10, P::kCheckY + 10, &r, &g, &b);
  size_t i = (size_t(P::kCheckY + 10) * 720 + P::kCheckX + 10) * 3;
  EXPECT_EQ(image.RGB[i], r);
  EXPECT_EQ(image.RGB[i + 1], g);
  EXPECT_EQ(image.RGB[i + 2], b);
}

INSTANTIATE_TEST_SUITE_P(AllFormats, SampleScreen, ::testing::ValuesIn(kDesktopFormats),
                         [](const auto& info) { return std::string(FormatName(info.param)); });

}  // namespace
