// Text drawing and measuring with Font2 in each back-buffer format: the text
// codes, runs, shadows, wrapping, and that measuring agrees with drawing.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <utility>

#include "gfx/font2.h"
#include "gfx/texture.h"
#include "gfx_test_support.h"
#include "support/fatal.h"
#include "support/files.h"

namespace {

using Pixels = std::set<std::pair<int, int>>;

class Text : public ::testing::TestWithParam<PixelFormat> {
 protected:
  void SetUp() override {
    dev = MakeDevice(GetParam(), 400, 120);
    font = new Font2("ms sans serif", "sserife.fon", 32, 0, 6, 16);
    Clear();
  }
  void TearDown() override {
    delete font;
    CleanupDisplay();
  }
  void Clear() { dev->ClearRegion(40, 40, 40, 0, 0, 399, 119); }
  // Pixels of exactly this colour.
  Pixels Find(uint8_t r, uint8_t g, uint8_t b) {
    Pixels out;
    uint32_t want = PackRGB(GfxDevice::ScreenFormat, r, g, b);
    for (int y = 0; y < 120; ++y)
      for (int x = 0; x < 400; ++x)
        if ((dev->RawPixel(x, y) & 0xFFFFFF) == want) out.insert({x, y});
    return out;
  }
  static Pixels Shift(const Pixels& p, int dx, int dy) {
    Pixels out;
    for (auto [x, y] : p) out.insert({x + dx, y + dy});
    return out;
  }
  int Width(const char* s) { return int(font->TextSize(s).x); }

  VGA565Device* dev = nullptr;
  Font2* font = nullptr;
};

TEST_P(Text, FontIsResolvedAndSizedToItsCell) {
  EXPECT_FALSE(font->ResolvedFile().empty());
  EXPECT_EQ(font->LineHeight, 16);
  EXPECT_GT(font->SpaceWidth, 1);
  EXPECT_EQ(font->DropShadowX, 1);
  EXPECT_EQ(font->SoftShadowSize, 2);
  EXPECT_EQ(font->TextSize("Hello").y, 16.0f);
  EXPECT_EQ(CurFont, font);
}

TEST_P(Text, ColourCodesChangeColourMidStringAndEveryPrintStartsWhite) {
  font->Print(10, 10, "@RMMM@KMMM");
  Pixels red = Find(255, 0, 0), black = Find(0, 0, 0);
  ASSERT_FALSE(red.empty());
  ASSERT_FALSE(black.empty());
  int boundary = 10 + Width("MMM");
  for (auto [x, y] : red) EXPECT_LT(x, boundary);
  for (auto [x, y] : black) EXPECT_GE(x, boundary);
  Clear();
  font->SetFontColor(0, 0, 255);  // no effect on Print
  font->Print(10, 10, "MMM");
  EXPECT_FALSE(Find(255, 255, 255).empty());
  EXPECT_TRUE(Find(0, 0, 255).empty());
  // Each colour letter gives its colour.
  const struct {
    const char* code;
    uint8_t r, g, b;
  } colours[] = {{"@G", 0, 255, 0},     {"@g", 0, 128, 0},     {"@B", 0, 0, 255},
                 {"@A", 128, 128, 128}, {"@S", 192, 192, 255}, {"@Y", 255, 255, 0},
                 {"@P", 135, 0, 250},   {"@C", 0, 255, 255},   {"@[", 0, 128, 0}};
  for (const auto& c : colours) {
    Clear();
    font->Print(10, 10, (std::string(c.code) + "MM").c_str());
    EXPECT_FALSE(Find(c.r, c.g, c.b).empty()) << c.code;
  }
  // "@]" brings back the colour saved by "@[".
  Clear();
  font->Print(10, 10, "@Y@[MM@]MM");
  int yellowRight = 0;
  for (auto [x, y] : Find(255, 255, 0)) yellowRight = std::max(yellowRight, x);
  EXPECT_GE(yellowRight, 10 + Width("MM"));
}

TEST_P(Text, MeasuringAgreesWithDrawing) {
  // A marker printed after a text lands where Print would put it on its own
  // at the text's measured width.
  const char* texts[] = {"plain words", "@Rred@W and white", "a@@b@qc",        "@Hhalf@H", "dash@-x",
                         "tick@cx",     "@iitalic@i",        "@Zdrop@Z@zsoft", "@sdim@s",  "x{abc}y"};
  for (const char* t : texts) {
    Clear();
    font->Print(5, 20, (std::string(t) + "@C|").c_str());
    Pixels together = Find(0, 255, 255);
    Clear();
    font->Print(5 + Width(t), 20, "@C|");
    Pixels alone = Find(0, 255, 255);
    ASSERT_FALSE(alone.empty());
    // The tick and the dash are drawn in other colours; cyan is the marker only.
    EXPECT_EQ(together, alone) << t;
  }
  EXPECT_EQ(Width("@Rword"), Width("word"));
  EXPECT_EQ(Width("a@@b"), Width("a") + font->CharWidth('@') + Width("b"));
  EXPECT_EQ(Width("a@qb"), Width("a\"b"));
  EXPECT_EQ(Width("ab@"), Width("ab"));       // a final "@" ends the text
  EXPECT_EQ(Width("ab@xcd"), Width("abcd"));  // unknown codes are skipped
  EXPECT_EQ(Width("@iab"), Width("ab") + 16 / 4);
  EXPECT_EQ(Width("@-"), font->CharWidth('M'));
  EXPECT_EQ(font->TextSize("a\nb").y, 32.0f);
  EXPECT_EQ(font->TextSize("a@Lb").y, 24.0f);
  EXPECT_EQ(font->TextWidth("abc", 2.0f), 2 * Width("abc"));
}

TEST_P(Text, PrintFTakesPositionalArguments) {
  font->PrintF(10, 10, "@R%/2s%/1s %d", "B", "A", 42);
  Pixels formatted = Find(255, 0, 0);
  Clear();
  font->Print(10, 10, "@RAB 42");
  EXPECT_EQ(formatted, Find(255, 0, 0));
  EXPECT_FALSE(formatted.empty());
}

TEST_P(Text, PrintScaleFDrawsTheTextAtTheScaledSizeAndLeavesTheFontAsItWas) {
  auto box = [](const Pixels& p) {
    int x0 = 1 << 30, y0 = 1 << 30, x1 = -1, y1 = -1;
    for (auto [x, y] : p) x0 = std::min(x0, x), y0 = std::min(y0, y), x1 = std::max(x1, x), y1 = std::max(y1, y);
    return std::pair<int, int>(x1 - x0 + 1, y1 - y0 + 1);
  };
  font->PrintF(5, 5, "@R%s", "Hello");
  Pixels normal = Find(255, 0, 0);
  Clear();
  font->PrintScaleF(5, 5, 1.0f, "@R%s", "Hello");
  EXPECT_EQ(Find(255, 0, 0), normal) << "scale 1 is PrintF";
  Clear();
  font->PrintScaleF(5, 5, 2.0f, "@R%s", "Hello");
  Pixels large = Find(255, 0, 0);
  auto [w1, h1] = box(normal);
  auto [w2, h2] = box(large);
  EXPECT_NEAR(double(w2) / w1, 2.0, 0.35) << w1 << " -> " << w2;
  EXPECT_NEAR(double(h2) / h1, 2.0, 0.35) << h1 << " -> " << h2;
  // The next plain call draws as before, and the metrics are back.
  EXPECT_EQ(font->LineHeight, 16);
  Clear();
  font->PrintF(5, 5, "@R%s", "Hello");
  EXPECT_EQ(Find(255, 0, 0), normal);
  // Far beyond the glyph bitmap's rows: clamped, never out of bounds.
  Clear();
  font->PrintScaleF(5, 5, 50.0f, "@R%s", "Hi");
  EXPECT_FALSE(Find(255, 0, 0).empty());
  font->PrintScaleF(5, 5, 0.0f, "@R%s", "Hi");
  font->PrintScaleF(5, 5, -1.0f, "@R%s", "Hi");
}

TEST_P(Text, LiteralTextShowsBracesAndAtSignsAsTheyAre) {
  EXPECT_EQ(LiteralText("a@b{c}d{"), "a@@b@{c}d@{");
  EXPECT_EQ(LiteralText(nullptr), "");
  int brace = font->CharWidth('{');
  EXPECT_EQ(Width("a@{b"), font->CharWidth('a') + brace + font->CharWidth('b'));
  EXPECT_EQ(Width(LiteralText("{x}").c_str()), brace + font->CharWidth('x') + font->CharWidth('}'));
  // "@{" opens no group, so nothing is cut after it, and a real group still is.
  EXPECT_EQ(Width("x@{y"), Width("x") + brace + Width("y"));
  EXPECT_EQ(Width("x{y"), Width("x"));
  EXPECT_EQ(Width("{@}x"), Width("x")) << "inside a group \"@\" is a symbol character";
  // Characters the symbol set does not have, from outside: drawn, never fatal.
  EXPECT_NO_FATAL(font->Print(5, 5, ("@R" + LiteralText("{\xe9}")).c_str()));
  EXPECT_FALSE(Find(255, 0, 0).empty());
}

TEST_P(Text, HalfBlankIsAtLeastOnePixel) {
  int saved = font->SpaceWidth;
  font->SpaceWidth = 3;
  EXPECT_EQ(Width("a@Hb"), Width("ab") + 1);
  font->SpaceWidth = 10;
  EXPECT_EQ(Width("a@Hb"), Width("ab") + 5);
  font->SpaceWidth = 1;
  EXPECT_EQ(Width("a@Hb"), Width("ab") + 1);
  font->SpaceWidth = saved;
}

TEST_P(Text, AnOpenBraceWithoutACloseCutsTheText) {
  font->Print(10, 10, "ab{cd");
  Pixels cut = Find(255, 255, 255);
  Clear();
  font->Print(10, 10, "ab");
  EXPECT_EQ(cut, Find(255, 255, 255));
  EXPECT_EQ(Width("ab{cd"), Width("ab"));
  EXPECT_EQ(Width("ab{cd}ef{gh"), Width("abef"));  // no symbol format: the group draws nothing
  char wrap[] = "ab{cd";
  font->TextSizeAndWrap(wrap, 1000);
  EXPECT_STREQ(wrap, "ab{cd");
}

TEST_P(Text, WrappingBreaksAtTheLastBlankBeforeTheOverflow) {
  char text[] = "one two three four";
  int limit = Width("one two") + 2;
  vec2 size = font->TextSizeAndWrap(text, limit);
  EXPECT_STREQ(text, "one two\nthree\nfour");
  EXPECT_EQ(size.y, 48.0f);
  EXPECT_EQ(size.x, float(std::max(Width("one two"), Width("three"))));
  char word[] = "unbreakable words";
  size = font->TextSizeAndWrap(word, 5);
  EXPECT_STREQ(word, "unbreakable\nwords");  // a word wider than the limit stays whole
  EXPECT_EQ(size.x, float(Width("unbreakable")));
  char fits[] = "short text";
  font->TextSizeAndWrap(fits, 1000);
  EXPECT_STREQ(fits, "short text");
  // Two-byte text wraps with a two-byte line break.
  // MixedString: 0x01 0x01 switches to 16-bit units, low byte first.
  char wide[] =
      "\x01\x01"
      "a\x00 \x00"
      "b\x00\x00";
  font->TextSizeAndWrap(wide, font->CharWidth('a'));
  EXPECT_EQ(wide[4], 10);
  EXPECT_EQ(wide[5], 0);
}

TEST_P(Text, DoubleByteTextDrawsLikeTheSameCharacters) {
  font->Print(10, 10,
              "\x01\x01W\x00o\x00r\x00\x01\x00"
              "d");  // wide "Wor", narrow "d"
  Pixels wide = Find(255, 255, 255);
  Clear();
  font->Print(10, 10, "Word");
  EXPECT_EQ(wide, Find(255, 255, 255));
}

TEST_P(Text, ShadowsDarkenBesideTheLitPixels) {
  dev->ClearRegion(200, 200, 200, 0, 0, 399, 119);
  font->Print(10, 10, "@KMM");
  Pixels glyph = Find(0, 0, 0);
  dev->ClearRegion(200, 200, 200, 0, 0, 399, 119);
  font->Print(10, 10, "@Z@KMM");
  uint8_t r, g, b;
  int darkened = 0;
  for (auto [x, y] : glyph)
    if (!glyph.count({x + 1, y + 1})) {
      dev->ReadPixel(x + 1, y + 1, &r, &g, &b);
      EXPECT_LT(r, 110);  // halved grey
      ++darkened;
    }
  EXPECT_GT(darkened, 5);
  // The drop shadow darkens only one pixel down and right of the glyph; the
  // soft shadow reaches further.
  Pixels near = glyph;
  for (auto p : Shift(glyph, 1, 1)) near.insert(p);
  auto farShadow = [&]() {
    int n = 0;
    for (int y = 0; y < 120; ++y)
      for (int x = 0; x < 400; ++x) {
        dev->ReadPixel(x, y, &r, &g, &b);
        n += r < 110 && !near.count({x, y});
      }
    return n;
  };
  EXPECT_EQ(farShadow(), 0);
  dev->ClearRegion(200, 200, 200, 0, 0, 399, 119);
  font->Print(10, 10, "@z@KMM");
  EXPECT_GT(farShadow(), 5);
}

TEST_P(Text, DimmingItalicsDashAndTick) {
  font->Print(10, 10, "@sMM");
  uint8_t r, g, b;
  bool dimmed = false;
  for (int x = 10; x < 30; ++x)
    for (int y = 10; y < 26; ++y) {
      dev->ReadPixel(x, y, &r, &g, &b);
      if (r > 150 && r < 220) dimmed = true;
      EXPECT_NE(r, 255);
    }
  EXPECT_TRUE(dimmed);
  Clear();
  font->Print(10, 10, "@il");
  Pixels italic = Find(255, 255, 255);
  Clear();
  font->Print(10, 10, "l");
  Pixels upright = Find(255, 255, 255);
  ASSERT_FALSE(upright.empty());
  int topUpright = 1000, topItalic = 1000, xUpright = 0, xItalic = 0;
  for (auto [x, y] : upright)
    if (y < topUpright) topUpright = y, xUpright = x;
  for (auto [x, y] : italic)
    if (y < topItalic) topItalic = y, xItalic = x;
  EXPECT_GE(xItalic - xUpright, 16 / 4 + 2);  // pen moved and the top row leans right
  Clear();
  font->Print(10, 10, "@Y@-");
  Pixels dash = Find(255, 255, 0);
  ASSERT_EQ(int(dash.size()), font->CharWidth('M'));
  EXPECT_EQ(dash.begin()->second, 10 + 16 * 6 / 10);
  Clear();
  font->Print(10, 10, "@c");
  EXPECT_GE(Find(0, 255, 0).size(), 6u);
}

TEST_P(Text, LongRunsAndLineBreaks) {
  std::string longText(300, 'i');
  font->Print(0, 0, longText.c_str());
  Pixels lit = Find(255, 255, 255);
  int right = 0;
  for (auto [x, y] : lit) right = std::max(right, x);
  EXPECT_GT(right, 399 - font->CharWidth('i') * 2);  // drawn to the right edge, clipped there
  Clear();
  font->Print(30, 5, "A\nB");
  int bottom = 0, left = 1000;
  for (auto [x, y] : Find(255, 255, 255)) bottom = std::max(bottom, y), left = std::min(left, x);
  EXPECT_GT(bottom, 5 + 16);
  EXPECT_GE(left, 30);
  EXPECT_LT(left, 34);
}

TEST_P(Text, SymbolGroupsDrawTexturesCentredOnTheLine) {
  char cwd[1024];
  ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
  std::string dir = ScratchDir(std::string("symbols-") + FormatName(GetParam()));
  WriteFileBytes(dir + "/sym_A.tga", EncodeTga(SolidImage(6, 4, 255, 0, 255)));
  WriteFileBytes(dir + "/low_b.tga", EncodeTga(SolidImage(3, 4, 0, 255, 0)));
  ASSERT_EQ(chdir(dir.c_str()), 0);
  font->SetSymbolNameFormats("sym_%c.tga", "low_%c.tga");
  EXPECT_EQ(Width("x{Ab}y"), Width("xy") + 9);
  font->Print(10, 10, "{b}");
  Pixels green = Find(0, 255, 0);
  ASSERT_EQ(green.size(), 12u);
  EXPECT_EQ(green.begin()->second, 10 + (16 - 4) / 2);
  EXPECT_FATAL(font->Print(0, 0, "{\x05}"), "unrecognized symbol font char 5 5");
  font->SetSymbolNameFormats("", "");
  ASSERT_EQ(chdir(cwd), 0);
}

INSTANTIATE_TEST_SUITE_P(AllFormats, Text, ::testing::ValuesIn(kDesktopFormats),
                         [](const auto& info) { return std::string(FormatName(info.param)); });

TEST(FontResolution, AFileBesideTheProgramWinsOverTheFaceName) {
  CleanupDisplay();
  Font2 byName("ms sans serif", "no-such-file.fon", 32, 0, 6, 16);
  std::string resolved = byName.ResolvedFile();
  ASSERT_FALSE(resolved.empty());
  char cwd[1024];
  ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
  std::string dir = ScratchDir("font-beside");
  WriteFileBytes(dir + "/ourfont.ttf", ReadFileBytes(resolved));
  ASSERT_EQ(chdir(dir.c_str()), 0);
  Font2 beside("a face nobody has", "OURFONT.TTF", 32, 1, 7, 18);
  EXPECT_EQ(beside.ResolvedFile(), "ourfont.ttf");
  EXPECT_EQ(beside.LineHeight, 18);
  WriteFileBytes(dir + "/broken.fon", {'M', 'Z', 0, 0});
  Font2 fallback("ms sans serif", "broken.fon", 32, 0, 6, 16);  // not a font: the face name decides
  EXPECT_EQ(fallback.ResolvedFile(), resolved);
  ASSERT_EQ(chdir(cwd), 0);
  // Measuring works without a device.
  EXPECT_GT(byName.TextSize("abc").x, 0);
  byName.Print(0, 0, "no device: nothing drawn, nothing breaks");
}

}  // namespace
