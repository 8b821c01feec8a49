// The software device's pixel arithmetic in each back-buffer format.
#include <gtest/gtest.h>

#include <cstdlib>

#include "gfx/texture.h"
#include "gfx_test_support.h"
#include "support/fatal.h"
#include "support/files.h"

namespace {

class DeviceFormat : public ::testing::TestWithParam<PixelFormat> {
 protected:
  void SetUp() override { dev = MakeDevice(GetParam()); }
  void TearDown() override { CleanupDisplay(); }
  VGA565Device* dev = nullptr;
};

TEST_P(DeviceFormat, BackBufferFormatAndTransparentColourFollowTheDesktop) {
  switch (GetParam()) {
    case PF_RGB32:
      EXPECT_EQ(GfxDevice::ScreenFormat, MPF_RGB888_32);
      EXPECT_EQ(FullPurple, 0xFF00FFu);
      EXPECT_EQ(dev->InvisibleBM.BytesPerRow, 64 * 4);
      break;
    case PF_RGB565:
      EXPECT_EQ(GfxDevice::ScreenFormat, MPF_RGB565);
      EXPECT_EQ(FullPurple, 0xF81Fu);
      EXPECT_EQ(dev->InvisibleBM.BytesPerRow, 64 * 2);
      break;
    default:
      EXPECT_EQ(GfxDevice::ScreenFormat, MPF_RGB555);
      EXPECT_EQ(FullPurple, 0x7C1Fu);
      break;
  }
  EXPECT_EQ(GfxDevice::Width, 64);
  EXPECT_EQ(GfxDevice::Height, 48);
  EXPECT_EQ(dev->RawPixel(10, 10), 0u);  // cleared at creation
}

TEST_P(DeviceFormat, ClearRegionPacksTruncatedChannelsInsideTheInclusiveRectangleOnly) {
  dev->ClearRegion(200.9f, 100.2f, 50.0f, 2, 3, 5, 7);
  uint32_t expected = GetParam() == PF_RGB565   ? (200 >> 3) << 11 | (100 >> 2) << 5 | (50 >> 3)
                      : GetParam() == PF_RGB555 ? (200 >> 3) << 10 | (100 >> 3) << 5 | (50 >> 3)
                                                : 0xC86432u;
  EXPECT_EQ(dev->RawPixel(2, 3), expected);
  EXPECT_EQ(dev->RawPixel(5, 7), expected);
  EXPECT_EQ(dev->RawPixel(6, 7), 0u);
  EXPECT_EQ(dev->RawPixel(5, 8), 0u);
  EXPECT_EQ(dev->RawPixel(1, 3), 0u);
  // Out-of-range channels saturate instead of wrapping.
  dev->ClearRegion(300, -5, 255, 0, 0, 0, 0);
  uint8_t r, g, b;
  dev->ReadPixel(0, 0, &r, &g, &b);
  EXPECT_EQ(r, 255);
  EXPECT_EQ(g, 0);
  EXPECT_EQ(b, 255);
}

TEST_P(DeviceFormat, DarkenLightenUseTheExactMasks) {
  dev->ClearRegion(255, 255, 255, 0, 0, 63, 47);
  uint32_t white = dev->RawPixel(0, 0);
  dev->DarkenRect(0, 0, 4, 4);
  dev->DarkenRect25Percent(10, 0, 4, 4);
  MemoryPixelFormat f = GfxDevice::ScreenFormat;
  uint32_t half = f == MPF_RGB565   ? (white >> 1) & 0x7BEF
                  : f == MPF_RGB555 ? (white >> 1) & 0x3DEF
                                    : (white >> 1) & 0x7F7F7F;
  uint32_t threeQuarters = f == MPF_RGB565   ? ((white >> 1) & 0x7BEF) + ((white >> 2) & 0x39C7)
                           : f == MPF_RGB555 ? ((white >> 1) & 0x3DEF) + ((white >> 2) & 0x1CE7)
                                             : ((white >> 1) & 0x7F7F7F) + ((white >> 2) & 0x3F3F3F);
  EXPECT_EQ(dev->RawPixel(3, 3), half);
  EXPECT_EQ(dev->RawPixel(4, 3), white);
  EXPECT_EQ(dev->RawPixel(13, 3), threeQuarters);

  // Lighten saturates at the channel maximum and adds the format's step.
  dev->ClearRegion(0, 0, 0, 20, 20, 30, 30);
  dev->ClearRegion(255, 255, 255, 31, 20, 40, 30);
  dev->LightenRect(20, 20, 21, 11);
  uint8_t r, g, b;
  dev->ReadPixel(25, 25, &r, &g, &b);
  uint32_t lit = dev->RawPixel(25, 25);
  if (f == MPF_RGB565) {
    EXPECT_EQ(lit, (4u << 11) | (8u << 5) | 4u);
  }
  if (f == MPF_RGB555) {
    EXPECT_EQ(lit, (4u << 10) | (4u << 5) | 4u);
  }
  if (f == MPF_RGB888_32) {
    EXPECT_EQ(lit & 0xFFFFFF, 0x101010u);
  }
  EXPECT_EQ(dev->RawPixel(35, 25) & 0xFFFFFF, white & 0xFFFFFF);
}

TEST_P(DeviceFormat, ClippingLimitsEveryOperation) {
  dev->SetClippingRegion(10, 10, 19, 19);
  dev->ClearRegion(255, 0, 0, 0, 0, 63, 47);
  EXPECT_EQ(dev->RawPixel(9, 10), 0u);
  EXPECT_NE(dev->RawPixel(10, 10), 0u);
  EXPECT_NE(dev->RawPixel(19, 19), 0u);
  EXPECT_EQ(dev->RawPixel(20, 19), 0u);
  // A clip outside the buffer is limited to it; drawing past the edges is safe.
  dev->SetClippingRegion(-50, -50, 500, 500);
  EXPECT_EQ(GfxDevice::clip_maxx, 63);
  EXPECT_EQ(GfxDevice::clip_maxy, 47);
  dev->ClearRegion(0, 255, 0, -100, -100, 1000, 1000);
  dev->DarkenRect(-10, -10, 200, 200);
  dev->LightenRect(60, 40, 100, 100);
  dev->DarkenRect25Percent(2147483600, 0, 100, 100);  // near the int limits: nothing, safely
  dev->ClearRegion(0, 0, 0, -2147483647, 0, 2147483647, -5);
  uint8_t r, g, b;
  dev->ReadPixel(0, 0, &r, &g, &b);  // filled, then halved
  EXPECT_EQ(r, 0);
  EXPECT_NEAR(g, 127, 6);
  dev->ReadPixel(63, 47, &r, &g, &b);  // filled, halved, lightened
  EXPECT_GT(r, 0);
  EXPECT_GT(g, 127);
  dev->ClearRegion(0, 0, 9, -2147483647, 47, 2147483647, 2147483647);  // the whole last row
  EXPECT_EQ(dev->RawPixel(0, 47), PackRGB(GfxDevice::ScreenFormat, 0, 0, 9));
  EXPECT_EQ(dev->RawPixel(63, 47), PackRGB(GfxDevice::ScreenFormat, 0, 0, 9));
  dev->InitClippingRegion();
  EXPECT_EQ(GfxDevice::clip_minx, 0);
  EXPECT_EQ(GfxDevice::clip_maxx, 63);
}

TEST_P(DeviceFormat, FontBlitsSetAndHalveOnlyLitPixels) {
  dev->ClearRegion(200, 200, 200, 0, 0, 63, 47);
  uint32_t grey = dev->RawPixel(0, 0);
  // A 4 by 3 mask with two lit pixels, read with a negative stride (bottom-up).
  uint8_t mask[3][4] = {{0, 0, 0, 255}, {0, 0, 0, 0}, {255, 0, 0, 0}};
  dev->BlitColor(&mask[2][0], -4, 5, 5, 4, 3, 255, 0, 0, false);
  uint8_t r, g, b;
  dev->ReadPixel(5, 5, &r, &g, &b);  // row 0 of the blit = mask row 2
  EXPECT_EQ(r, 255);
  EXPECT_EQ(g, 0);
  dev->ReadPixel(8, 7, &r, &g, &b);
  EXPECT_EQ(r, 255);
  EXPECT_EQ(dev->RawPixel(6, 5), grey);
  dev->BlitDarken(&mask[0][0], 4, 20, 5, 4, 3, false);
  uint32_t half = dev->RawPixel(23, 5);
  EXPECT_NE(half, grey);
  dev->ReadPixel(23, 5, &r, &g, &b);
  EXPECT_NEAR(r, 100, 8);
  EXPECT_EQ(dev->RawPixel(22, 5), grey);
  // Italics shift each row right by a quarter of its distance from the bottom.
  uint8_t column[8] = {255, 255, 255, 255, 255, 255, 255, 255};
  dev->BlitColor(column, 1, 40, 10, 1, 8, 0, 0, 255, true);
  dev->ReadPixel(41, 10, &r, &g, &b);  // top row: (8 - 1 - 0) / 4 = 1
  EXPECT_EQ(b, 255);
  dev->ReadPixel(40, 17, &r, &g, &b);  // bottom row: no shift
  EXPECT_EQ(b, 255);
}

TEST_P(DeviceFormat, ScreenshotWritesTheBackBufferAsPng) {
  dev->ClearRegion(0, 0, 255, 0, 0, 63, 47);
  dev->ClearRegion(255, 255, 0, 8, 8, 9, 9);
  std::string path = ScratchDir(std::string("shot-") + FormatName(GetParam())) + "/shot.png";
  ASSERT_TRUE(WriteBackBufferPng(*dev, path.c_str()));
  std::vector<uint8_t> bytes = ReadFileBytes(path);
  TrueColorBitmap image;
  ASSERT_TRUE(DecodePng(bytes.data(), bytes.size(), &image, nullptr));
  EXPECT_EQ(image.Width, 64);
  EXPECT_EQ(image.Height, 48);
  EXPECT_EQ(image.RGB[(8 * 64 + 8) * 3 + 0], 255);
  EXPECT_EQ(image.RGB[(8 * 64 + 8) * 3 + 2], 0);
  EXPECT_EQ(image.RGB[0 * 3 + 2], 255);
}

INSTANTIATE_TEST_SUITE_P(AllFormats, DeviceFormat, ::testing::ValuesIn(kDesktopFormats),
                         [](const auto& info) { return std::string(FormatName(info.param)); });

TEST(DisplaySetup, TheEnvironmentCanChooseTheBackBufferFormat) {
  setenv("QUORVEL_PIXEL_FORMAT", "555", 1);
  InitDisplay(DD_VGA565, 10, 10, PF_RGB565, nullptr, 0);
  EXPECT_EQ(GfxDevice::ScreenFormat, MPF_RGB555);
  setenv("QUORVEL_PIXEL_FORMAT", "565", 1);
  InitDisplay(DD_VGA565, 10, 10, PF_RGB565, nullptr, 0);
  EXPECT_EQ(GfxDevice::ScreenFormat, MPF_RGB565);
  setenv("QUORVEL_PIXEL_FORMAT", "bogus", 1);  // ignored: the window (none here) decides
  InitDisplay(DD_VGA565, 10, 10, PF_RGB565, nullptr, 0);
  EXPECT_EQ(GfxDevice::ScreenFormat, MPF_RGB888_32);
  unsetenv("QUORVEL_PIXEL_FORMAT");
  CleanupDisplay();
}

TEST(DisplaySetup, RefusesUnknownDevicesAndFormats) {
  EXPECT_FATAL(InitDisplay(5, 100, 100, PF_RGB565, nullptr, 0), "Unsupported device 5 for given constructor!");
  EXPECT_FATAL(InitDisplay(DD_VGA565, 100, 100, PF_RGB555, nullptr, 0),
               "Unsupported VGA Pixel format 2 for given constructor!");
  CleanupDisplay();
}

TEST(DisplaySetup, NullDeviceIs640By480AndDrawsNothing) {
  ASSERT_TRUE(InitDisplay(DD_NULL, 720, 508, PF_RGB565, nullptr, 0));
  EXPECT_EQ(GfxDevice::Width, 640);
  EXPECT_EQ(GfxDevice::Height, 480);
  EXPECT_EQ(CurGfxDevice->LoadTexture("zindimgs/menublue.tga", 0), nullptr);
  CurGfxDevice->ClearRegion(1, 2, 3, 0, 0, 10, 10);  // must not touch memory
  CleanupDisplay();
  EXPECT_EQ(CurGfxDevice, nullptr);
}

TEST(DisplaySetup, SecondInitReplacesTheDeviceAndWithoutWindowDefaultsTo32Bit) {
  ASSERT_TRUE(InitDisplay(DD_VGA565, 720, 508, PF_RGB565, nullptr, 0));
  EXPECT_EQ(GfxDevice::ScreenFormat, MPF_RGB888_32);
  EXPECT_EQ(GfxDevice::Width, 720);
  ASSERT_TRUE(InitDisplay(DD_VGA565, 100, 50, PF_RGB32, nullptr, 0));
  EXPECT_EQ(GfxDevice::Width, 100);
  CurGfxDevice->ResizeToWidthHeight(720, 505);
  EXPECT_EQ(GfxDevice::Height, 505);
  EXPECT_EQ(GfxDevice::clip_maxy, 504);
  CleanupDisplay();
}

}  // namespace
