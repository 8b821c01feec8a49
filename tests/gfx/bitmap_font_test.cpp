// A Windows raster font file beside the program is used as it is: FreeType
// reads it, the nearest strike gives the cell, and its glyphs are drawn.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "gfx/font2.h"
#include "gfx_test_support.h"
#include "support/files.h"

namespace {

void Put16(std::vector<uint8_t>& v, size_t at, unsigned x) {
  v[at] = uint8_t(x);
  v[at + 1] = uint8_t(x >> 8);
}
void Put32(std::vector<uint8_t>& v, size_t at, unsigned x) {
  Put16(v, at, x & 0xFFFF);
  Put16(v, at + 2, x >> 16);
}

// A version 2 raster font: characters 32 to 90, each 8 pixels wide and 12
// high; every character but the blank is a bar in its second column.
std::vector<uint8_t> RasterFont() {
  const int first = 32, last = 90, count = last - first + 1, height = 12, ascent = 10;
  const size_t header = 118, table = size_t(count + 1) * 4;
  const size_t bits = header + table;
  const size_t face = bits + size_t(count + 1) * height;
  std::vector<uint8_t> f(face + 5, 0);
  Put16(f, 0, 0x0200);
  Put32(f, 2, unsigned(f.size()));
  std::memcpy(&f[6], "test raster font", 16);
  Put16(f, 66, 0);  // raster
  Put16(f, 68, 9);  // points
  Put16(f, 70, 96);
  Put16(f, 72, 96);
  Put16(f, 74, ascent);
  Put16(f, 83, 400);  // weight
  f[85] = 0;          // ANSI
  Put16(f, 86, 8);    // fixed width
  Put16(f, 88, height);
  f[90] = 0x30;
  Put16(f, 91, 8);
  Put16(f, 93, 8);
  f[95] = first;
  f[96] = last;
  f[97] = '?' - first;
  f[98] = ' ' - first;
  Put16(f, 99, 8);
  Put32(f, 105, unsigned(face));
  Put32(f, 113, unsigned(bits));
  for (int i = 0; i <= count; ++i) {
    Put16(f, header + size_t(i) * 4, 8);
    Put16(f, header + size_t(i) * 4 + 2, unsigned(bits + size_t(i) * height));
    if (first + i != ' ' && i < count)
      for (int row = 0; row < height; ++row) f[bits + size_t(i) * height + row] = 0x40;
  }
  std::memcpy(&f[face], "Tiny", 5);
  return f;
}

TEST(BitmapFont, ARasterFontFileBesideTheProgramIsUsed) {
  char cwd[1024];
  ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
  std::string dir = ScratchDir("raster-font");
  WriteFileBytes(dir + "/tiny.fnt", RasterFont());
  ASSERT_EQ(chdir(dir.c_str()), 0);
  VGA565Device* dev = MakeDevice(PF_RGB565, 100, 40);
  {
    Font2 font("Tiny", "TINY.FNT", 32, 0, 8, 12);
    EXPECT_EQ(font.ResolvedFile(), "tiny.fnt");
    EXPECT_EQ(font.LineHeight, 12);
    EXPECT_EQ(font.CharWidth('A'), 8);
    EXPECT_EQ(font.SpaceWidth, 8);
    dev->ClearRegion(0, 0, 0, 0, 0, 99, 39);
    font.Print(10, 5, "@YA B");
    uint8_t r, g, b;
    // Bars in the second column of the first and third cells, none in the blank.
    dev->ReadPixel(11, 8, &r, &g, &b);
    EXPECT_EQ(r, 255);
    EXPECT_EQ(g, 255);
    dev->ReadPixel(27, 8, &r, &g, &b);
    EXPECT_EQ(g, 255);
    dev->ReadPixel(19, 8, &r, &g, &b);
    EXPECT_EQ(g, 0);
    dev->ReadPixel(12, 8, &r, &g, &b);
    EXPECT_EQ(g, 0);
  }
  CleanupDisplay();
  ASSERT_EQ(chdir(cwd), 0);
}

}  // namespace
