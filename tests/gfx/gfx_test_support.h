// Helpers shared by the gfx tests: a software device in a chosen pixel
// format without a window, and small image builders.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gfx/display_device.h"
#include "gfx/pixel_format.h"
#include "gfx/true_color_bitmap.h"
#include "gfx/vga565_device.h"

// The three back-buffer formats the device supports, as desktop formats.
inline const PixelFormat kDesktopFormats[] = {PF_RGB32, PF_RGB565, PF_RGB555};

inline const char* FormatName(PixelFormat f) { return f == PF_RGB32 ? "32bit" : f == PF_RGB565 ? "565" : "555"; }

// Creates CurGfxDevice as the software device over a desktop of that format.
inline VGA565Device* MakeDevice(PixelFormat desktop, int w = 64, int h = 48) {
  ForcedScreenPixelFormat = desktop;
  InitDisplay(DD_VGA565, w, h, PF_RGB565, nullptr, 0);
  ForcedScreenPixelFormat = -1;
  return static_cast<VGA565Device*>(CurGfxDevice);
}

// A w by h image of one colour, with an alpha plane when alpha >= 0.
inline TrueColorBitmap SolidImage(int w, int h, uint8_t r, uint8_t g, uint8_t b, int alpha = -1) {
  TrueColorBitmap image;
  image.Width = w;
  image.Height = h;
  for (int i = 0; i < w * h; ++i) image.RGB.insert(image.RGB.end(), {r, g, b});
  if (alpha >= 0) image.Alpha.assign(size_t(w) * h, uint8_t(alpha));
  return image;
}

// A fresh scratch directory under the build tree for one test.
std::string ScratchDir(const std::string& name);
