#include "gfx/vga565_device.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "foundation/log.h"
#include "foundation/runtime.h"
#include "gfx/display_device.h"
#include "platform/window.h"
#include "platform/window_surface.h"

namespace {
MemoryPixelFormat BackBufferFormatFor(PixelFormat desktop) {
  switch (desktop) {
    case PF_RGB555: return MPF_RGB555;
    case PF_RGB24:
    case PF_RGB32: return MPF_RGB888_32;
    default: return MPF_RGB565;
  }
}

PlatPixelLayout LayoutOf(MemoryPixelFormat format) {
  PlatPixelLayout l;
  l.bitsPerPixel = BytesPerPixel(format) * 8;
  ChannelMasks(format, &l.redMask, &l.greenMask, &l.blueMask);
  return l;
}

constexpr int kBandRows = 100;
}  // namespace

VGA565Device::VGA565Device(int width, int height)
    : MemoryDevice(width, height, BackBufferFormatFor(GetScreenPixelFormat())) {
  const char* shot = std::getenv("QUORVEL_SCREENSHOT");
  if (shot) std::snprintf(ScreenshotPath, sizeof ScreenshotPath, "%s", shot);
  FitWindow();
}

VGA565Device::~VGA565Device() {}

void VGA565Device::FitWindow() {
  if (!IsWindow(hMainWindow)) return;
  int cw = 0, ch = 0;
  if (GetClientSize(hMainWindow, &cw, &ch) && cw == Width && ch == Height) return;
  if (!SetWindowPos(hMainWindow, nullptr, 0, 0, Width + kWindowFrameWidth, Height + kWindowFrameHeight,
                    SWP_NOMOVE | SWP_NOZORDER))
    Log("Windowed Screen change failed*****************");
}

bool VGA565Device::Present(int x, int y, int w, int h) {
  if (!IsWindow(hMainWindow)) return false;
  PlatRect r{x, y, w, h};
  bool ok = PlatPresentPixels(hMainWindow, InvisibleBM.Pixels, InvisibleBM.BytesPerRow, InvisibleBM.Width,
                              InvisibleBM.Height, LayoutOf(ScreenFormat), &r, 1);
  if (ok) ++PresentCount;
  return ok;
}

void VGA565Device::PageSwap() {
  if (!Present(0, 0, Width, Height)) {
    // A whole-frame copy that fails is retried in bands, top to bottom.
    for (int y = 0; y < Height && IsWindow(hMainWindow); y += kBandRows)
      Present(0, y, Width, std::min(kBandRows, Height - y));
  }
  if (ScreenshotPath[0] && !WriteBackBufferPng(*this, ScreenshotPath))
    Log("could not write screenshot %s", ScreenshotPath);
}

void VGA565Device::CopyInvisibleRegionToVisible(int x, int y, int w, int h) { Present(x, y, w, h); }

void VGA565Device::ResizeToClientWindow() {
  int cw = 0, ch = 0;
  if (!IsWindow(hMainWindow) || !GetClientSize(hMainWindow, &cw, &ch) || cw <= 0 || ch <= 0) return;
  AllocateBackBuffer(cw, ch);
}

void VGA565Device::ResizeToWidthHeight(int w, int h) {
  AllocateBackBuffer(w, h);
  FitWindow();
}

int GfxWindowMessageHandler(unsigned message, unsigned long, long) {
  if (message == WM_PAINT && CurGfxDevice) CurGfxDevice->PageSwap();
  return 0;
}
