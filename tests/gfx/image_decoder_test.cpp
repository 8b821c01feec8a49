// The image decoders on bytes: TGA by our own reader, PNG, JPEG and TIFF by
// the libraries; bad input of every kind is refused, never a crash.
#include <gtest/gtest.h>

#include <string>

#include "gfx_test_support.h"
#include "support/files.h"

namespace {

std::string Data(const char* name) { return std::string(QUORVEL_SOURCE_DIR) + "/tests/gfx/data/" + name; }

// A TGA header followed by body.
std::vector<uint8_t> Tga(int type, int bits, int w, int h, int descriptor, const std::vector<uint8_t>& body,
                         int colorMapType = 0, int idLength = 0) {
  std::vector<uint8_t> t(18, 0);
  t[0] = uint8_t(idLength);
  t[1] = uint8_t(colorMapType);
  t[2] = uint8_t(type);
  t[12] = uint8_t(w), t[13] = uint8_t(w >> 8), t[14] = uint8_t(h), t[15] = uint8_t(h >> 8);
  t[16] = uint8_t(bits);
  t[17] = uint8_t(descriptor);
  t.insert(t.end(), idLength, 'x');
  t.insert(t.end(), body.begin(), body.end());
  return t;
}

TEST(TgaReader, RawRowsAreBottomUpBlueFirstUnlessTheDescriptorSaysTopDown) {
  // 2 by 2, 24 bits: file rows bottom first. Bottom row red, green; top row blue, white.
  std::vector<uint8_t> body = {0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255};
  TrueColorBitmap image;
  ASSERT_TRUE(DecodeTga(Tga(2, 24, 2, 2, 0, body).data(), 18 + body.size(), &image, nullptr));
  EXPECT_FALSE(image.HasAlpha());
  std::vector<uint8_t> expected = {0, 0, 255, 255, 255, 255, 255, 0, 0, 0, 255, 0};
  EXPECT_EQ(image.RGB, expected);
  ASSERT_TRUE(DecodeTga(Tga(2, 24, 2, 2, 0x20, body).data(), 18 + body.size(), &image, nullptr));
  std::vector<uint8_t> topDown = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255};
  EXPECT_EQ(image.RGB, topDown);
}

TEST(TgaReader, ThirtyTwoBitsKeepAnAlphaPlaneAndTheIdFieldIsSkipped) {
  std::vector<uint8_t> body = {1, 2, 3, 0, 4, 5, 6, 255};
  std::vector<uint8_t> file = Tga(2, 32, 2, 1, 8, body, 0, 5);
  TrueColorBitmap image;
  ASSERT_TRUE(DecodeTga(file.data(), file.size(), &image, nullptr));
  ASSERT_TRUE(image.HasAlpha());
  EXPECT_EQ(image.Alpha, (std::vector<uint8_t>{0, 255}));
  EXPECT_EQ(image.RGB, (std::vector<uint8_t>{3, 2, 1, 6, 5, 4}));
}

TEST(TgaReader, RunLengthPacketsRepeatOrCopyPixels) {
  // 5 pixels: a run of 3 of (10,20,30), then 2 raw pixels.
  std::vector<uint8_t> body = {0x82, 30, 20, 10, 0x01, 1, 1, 1, 2, 2, 2};
  std::vector<uint8_t> file = Tga(10, 24, 5, 1, 0x20, body);
  TrueColorBitmap image;
  ASSERT_TRUE(DecodeTga(file.data(), file.size(), &image, nullptr));
  EXPECT_EQ(image.RGB, (std::vector<uint8_t>{10, 20, 30, 10, 20, 30, 10, 20, 30, 1, 1, 1, 2, 2, 2}));
}

TEST(TgaReader, EncoderOutputReadsBackInBothForms) {
  TrueColorBitmap flat = SolidImage(40, 3, 7, 8, 9, 200);  // compresses: run-length
  TrueColorBitmap noisy;
  noisy.Width = 3, noisy.Height = 2;
  noisy.RGB = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18};  // raw is smaller
  for (const TrueColorBitmap* in : {&flat, &noisy}) {
    std::vector<uint8_t> file = EncodeTga(*in);
    EXPECT_EQ(file[2], in == &flat ? 10 : 2);
    TrueColorBitmap back;
    ASSERT_TRUE(DecodeTga(file.data(), file.size(), &back, nullptr));
    EXPECT_EQ(back.Width, in->Width);
    EXPECT_EQ(back.RGB, in->RGB);
    EXPECT_EQ(back.Alpha, in->Alpha);
  }
}

TEST(TgaReader, RefusesWhatItCannotRead) {
  std::vector<uint8_t> pixel = {1, 2, 3};
  struct Case {
    const char* what;
    std::vector<uint8_t> file;
  } cases[] = {
      {"colour map", Tga(1, 24, 1, 1, 0, pixel, 1)},
      {"colour-map flag on a true-colour type", Tga(2, 24, 1, 1, 0, pixel, 1)},
      {"16 bits per pixel", Tga(2, 16, 1, 1, 0, {1, 2})},
      {"8-bit alpha only", Tga(3, 8, 1, 1, 0, {1})},
      {"run-length packet past the image", Tga(10, 24, 2, 1, 0, {0x82, 1, 2, 3})},
      {"raw packet past the image", Tga(10, 24, 2, 1, 0, {0x02, 1, 2, 3, 4, 5, 6, 7, 8, 9})},
      {"run-length data ends early", Tga(10, 24, 4, 1, 0, {0x81, 1, 2, 3})},
      {"raw rows end early", Tga(2, 24, 4, 4, 0, pixel)},
      {"header larger than the file", std::vector<uint8_t>(10, 0)},
      {"ID field past the end", Tga(2, 24, 1, 1, 0, {}, 0, 0)},
      {"zero width", Tga(2, 24, 0, 5, 0, pixel)},
      {"huge image", Tga(2, 24, 65535, 65535, 0, pixel)},
      {"wider than any side allowed", Tga(2, 24, 20000, 1, 0, std::vector<uint8_t>(60000, 7))},
  };
  cases[9].file[0] = 200;  // claims a 200-byte ID field
  for (const Case& c : cases) {
    TrueColorBitmap image;
    const char* why = nullptr;
    EXPECT_FALSE(DecodeTga(c.file.data(), c.file.size(), &image, &why)) << c.what;
    EXPECT_TRUE(image.Empty()) << c.what;
    EXPECT_NE(why, nullptr) << c.what;
  }
}

TEST(LibraryDecoders, ReadPngJpegAndTiffFiles) {
  TrueColorBitmap image;
  std::vector<uint8_t> png = ReadFileBytes(Data("rgba.png"));
  ASSERT_TRUE(DecodePng(png.data(), png.size(), &image, nullptr));
  EXPECT_EQ(image.Width, 3);
  EXPECT_EQ(image.Height, 2);
  ASSERT_TRUE(image.HasAlpha());  // palette with a transparent entry
  EXPECT_EQ(image.Alpha[0], 255);
  EXPECT_EQ(image.Alpha[5], 0);
  EXPECT_EQ(image.RGB[0], 1);
  EXPECT_EQ(image.RGB[2], 3);

  std::vector<uint8_t> jpg = ReadFileBytes(Data("red_green.jpg"));
  ASSERT_TRUE(DecodeJpeg(jpg.data(), jpg.size(), &image, nullptr));
  EXPECT_EQ(image.Width, 8);
  EXPECT_FALSE(image.HasAlpha());
  EXPECT_NEAR(image.RGB[0], 200, 12);                    // left: red
  EXPECT_NEAR(image.RGB[(6 * 1 + 7) * 3 + 1], 200, 12);  // right: green

  std::vector<uint8_t> tif = ReadFileBytes(Data("blue.tif"));
  ASSERT_TRUE(DecodeTiff(tif.data(), tif.size(), &image, nullptr));
  EXPECT_EQ(image.Width, 5);
  EXPECT_EQ(image.Height, 4);
  EXPECT_FALSE(image.HasAlpha());
  EXPECT_EQ(image.RGB[2], 250);
  std::vector<uint8_t> tifAlpha = ReadFileBytes(Data("blue_alpha.tif"));
  ASSERT_TRUE(DecodeTiff(tifAlpha.data(), tifAlpha.size(), &image, nullptr));
  ASSERT_TRUE(image.HasAlpha());
  EXPECT_NEAR(image.Alpha[7], 128, 1);
}

TEST(LibraryDecoders, TruncatedOrForeignDataIsRefused) {
  using Decoder = bool (*)(const uint8_t*, size_t, TrueColorBitmap*, const char**);
  struct Case {
    const char* file;
    Decoder decode;
  } cases[] = {
      {"truncated.png", DecodePng},    {"truncated.jpg", DecodeJpeg},    {"truncated.tif", DecodeTiff},
      {"not_an_image.txt", DecodePng}, {"not_an_image.txt", DecodeJpeg}, {"not_an_image.txt", DecodeTiff},
      {"not_an_image.txt", DecodeTga}, {"red_green.jpg", DecodePng},     {"rgba.png", DecodeTiff},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> bytes = ReadFileBytes(Data(c.file));
    ASSERT_FALSE(bytes.empty()) << c.file;
    TrueColorBitmap image;
    EXPECT_FALSE(c.decode(bytes.data(), bytes.size(), &image, nullptr)) << c.file;
    EXPECT_TRUE(image.Empty()) << c.file;
  }
  // Every prefix of a good PNG is refused, never read past its end.
  std::vector<uint8_t> png = ReadFileBytes(Data("rgba.png"));
  for (size_t n = 0; n < png.size() - 12; n += 7) {
    std::vector<uint8_t> cut(png.begin(), png.begin() + n);
    TrueColorBitmap image;
    EXPECT_FALSE(DecodePng(cut.data(), cut.size(), &image, nullptr)) << n;
  }
}

TEST(TrueColorBitmapLoading, CheckTgaJpegTriesPngTgaJpgTifInTurn) {
  std::string dir = ScratchDir("checktgajpeg");
  WriteFileBytes(dir + "/pic.tga", EncodeTga(SolidImage(2, 2, 9, 9, 9)));
  std::vector<uint8_t> png = ReadFileBytes(Data("rgba.png"));
  WriteFileBytes(dir + "/pic.png", png);
  WriteFileBytes(dir + "/only.jpg", ReadFileBytes(Data("red_green.jpg")));
  WriteFileBytes(dir + "/broken.png", ReadFileBytes(Data("truncated.png")));
  WriteFileBytes(dir + "/broken.tif", ReadFileBytes(Data("blue.tif")));
  CheckTgaJpeg = 1;
  TrueColorBitmap a((dir + "/pic.tga").c_str(), 0);
  EXPECT_EQ(a.Width, 3);  // the PNG wins
  TrueColorBitmap b((dir + "/only.tga").c_str(), 0);
  EXPECT_EQ(b.Width, 8);
  TrueColorBitmap c((dir + "/broken.tga").c_str(), 0);  // the PNG does not decode; the TIFF does
  EXPECT_EQ(c.Width, 5);
  TrueColorBitmap d((dir + "/none.tga").c_str(), 0);
  EXPECT_TRUE(d.Empty());
  CheckTgaJpeg = 0;
  TrueColorBitmap e((dir + "/pic.tga").c_str(), 0);  // by its own extension
  EXPECT_EQ(e.Width, 2);
}

}  // namespace
