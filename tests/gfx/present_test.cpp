// Presenting the back buffer to a real (headless) window: whole frames,
// rectangles, every back-buffer format, the window fitted to the buffer.
#include <gtest/gtest.h>

#include "foundation/runtime.h"
#include "gfx_test_support.h"
#include "platform/window.h"
#include "platform/window_surface.h"

namespace {

long TestProc(HWND w, unsigned m, unsigned long wp, long lp) { return DefWindowProcA(w, m, wp, lp); }

class Present : public ::testing::TestWithParam<PixelFormat> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(PlatInitVideo());
    RegisterWindowClass("gfx-present", TestProc, 0);
    // Deliberately not the device's size: the device fits the window.
    hMainWindow = CreateWindowExA(0, "gfx-present", "present", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200);
    ASSERT_NE(hMainWindow, nullptr);
    dev = MakeDevice(GetParam(), 160, 120);
  }
  void TearDown() override {
    CleanupDisplay();
    DestroyWindow(hMainWindow);
    hMainWindow = nullptr;
  }
  void Shown(int x, int y, uint8_t* r, uint8_t* g, uint8_t* b) {
    ASSERT_TRUE(PlatReadWindowPixel(hMainWindow, x, y, r, g, b));
  }
  VGA565Device* dev = nullptr;
};

TEST_P(Present, FramesAndRectanglesReachTheWindow) {
  int cw = 0, ch = 0;
  ASSERT_TRUE(GetClientSize(hMainWindow, &cw, &ch));
  EXPECT_EQ(cw, 160);
  EXPECT_EQ(ch, 120);
  dev->ClearRegion(255, 0, 0, 0, 0, 159, 119);
  dev->PageSwap();
  EXPECT_EQ(dev->PresentCount, 1);
  uint8_t r, g, b;
  Shown(159, 119, &r, &g, &b);
  EXPECT_EQ(r, 255);
  EXPECT_EQ(g, 0);
  // Only the presented rectangle changes on screen.
  dev->ClearRegion(0, 0, 255, 0, 0, 159, 119);
  dev->CopyInvisibleRegionToVisible(10, 20, 5, 5);
  Shown(10, 20, &r, &g, &b);
  EXPECT_EQ(b, 255);
  EXPECT_EQ(r, 0);
  Shown(14, 24, &r, &g, &b);
  EXPECT_EQ(b, 255);
  Shown(15, 24, &r, &g, &b);
  EXPECT_EQ(r, 255);
  // Rectangles reaching past the buffer are clipped, not refused.
  dev->CopyInvisibleRegionToVisible(150, 110, 100, 100);
  Shown(159, 119, &r, &g, &b);
  EXPECT_EQ(b, 255);
}

TEST_P(Present, ResizingFollowsTheWindowAndTheRequest) {
  dev->ResizeToWidthHeight(200, 150);
  int cw = 0, ch = 0;
  GetClientSize(hMainWindow, &cw, &ch);
  EXPECT_EQ(cw, 200);
  EXPECT_EQ(ch, 150);
  EXPECT_EQ(GfxDevice::Width, 200);
  SetWindowPos(hMainWindow, nullptr, 0, 0, 100 + kWindowFrameWidth, 80 + kWindowFrameHeight, SWP_NOMOVE | SWP_NOZORDER);
  dev->ResizeToClientWindow();
  EXPECT_EQ(GfxDevice::Width, 100);
  EXPECT_EQ(GfxDevice::Height, 80);
  EXPECT_EQ(dev->InvisibleBM.Height, 80);
  dev->ClearRegion(0, 255, 0, 0, 0, 99, 79);
  GfxWindowMessageHandler(WM_PAINT, 0, 0);  // repaint without redrawing
  uint8_t r, g, b;
  Shown(99, 79, &r, &g, &b);
  EXPECT_GE(g, 250);  // the window widens 5- and 6-bit channels in its own way
  EXPECT_EQ(r, 0);
}

INSTANTIATE_TEST_SUITE_P(AllFormats, Present, ::testing::ValuesIn(kDesktopFormats),
                         [](const auto& info) { return std::string(FormatName(info.param)); });

TEST(PresentDesktop, TheWindowsOwnFormatIsUsedWhenNothingIsForced) {
  ASSERT_TRUE(PlatInitVideo());
  RegisterWindowClass("gfx-present", TestProc, 0);
  hMainWindow = CreateWindowExA(0, "gfx-present", "present", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200);
  PlatPixelLayout layout;
  ASSERT_TRUE(PlatGetWindowPixelLayout(hMainWindow, &layout));
  PixelFormat f = GetScreenPixelFormat();
  RecordProperty("window_bits", layout.bitsPerPixel);
  RecordProperty("desktop_format", int(f));
  if (layout.bitsPerPixel == 32) {
    EXPECT_EQ(f, PF_RGB32);
  }
  if (layout.bitsPerPixel == 16) {
    EXPECT_TRUE(f == PF_RGB565 || f == PF_RGB555);
  }
  DestroyWindow(hMainWindow);
  hMainWindow = nullptr;
}

}  // namespace
