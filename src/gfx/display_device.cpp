#include "gfx/display_device.h"

#include <cstdlib>
#include <cstring>

#include "foundation/fail.h"
#include "foundation/log.h"
#include "foundation/runtime.h"
#include "gfx/vga565_device.h"
#include "platform/cursor.h"
#include "platform/window_surface.h"

int WindowedMode = 0;
int ForcedScreenPixelFormat = -1;

void SetWindowedMode(int windowed) { WindowedMode = windowed; }

PixelFormat GetScreenPixelFormat() {
  if (ForcedScreenPixelFormat >= 0) return PixelFormat(ForcedScreenPixelFormat);
  if (const char* forced = std::getenv("QUORVEL_PIXEL_FORMAT")) {
    if (!std::strcmp(forced, "565")) return PF_RGB565;
    if (!std::strcmp(forced, "555")) return PF_RGB555;
    if (!std::strcmp(forced, "32")) return PF_RGB32;
  }
  PlatPixelLayout layout;
  if (!IsWindow(hMainWindow) || !PlatGetWindowPixelLayout(hMainWindow, &layout)) return PF_RGB32;
  switch (layout.bitsPerPixel) {
    case 8: return PF_PAL8;
    case 16:
      if (layout.greenMask == 0x03E0) return PF_RGB555;
      if (layout.greenMask != 0x07E0) Log("SetScreenWindowed - DescribePixelFormat failed - forcing 565");
      return PF_RGB565;
    case 24: return PF_RGB24;
    case 32: return PF_RGB32;
    default: Fail("Unknown display mode. This program requires that your desktop be set for 16, 24, or 32 bit color.");
  }
}

int InitDisplay(int device, int width, int height, int format, void* scratch, unsigned long flags) {
  if (CurGfxDevice) CleanupDisplay();
  CurPixelType = format;
  CurDisplayDevice = device;
  if (device == DD_VGA565) {
    if (format != PF_RGB565 && format != PF_RGB24 && format != PF_RGB32)
      Fail("Unsupported VGA Pixel format %d for given constructor!", format);
    CurGfxDevice = new VGA565Device(width, height);
  } else if (device == DD_NULL) {
    CurGfxDevice = new GfxDevice(640, 480);
  } else {
    Fail("Unsupported device %d for given constructor!", device);
  }
  return CurGfxDevice != nullptr;
}

void CleanupDisplay() {
  delete CurGfxDevice;
  CurGfxDevice = nullptr;
  GfxDevice::TextureList = nullptr;
}

void GUISetCursor(unsigned long shape) { PlatSetCursorShape(unsigned(shape)); }
