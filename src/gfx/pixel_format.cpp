#include "gfx/pixel_format.h"

int BytesPerPixel(MemoryPixelFormat format) {
  switch (format) {
    case MPF_RGB565:
    case MPF_RGB555:
    case MPF_ARGB4444: return 2;
    case MPF_PAL8: return 1;
    case MPF_RGB888_32:
    case MPF_ARGB8888: return 4;
    default: return 0;
  }
}

uint32_t TransparentColorOf(MemoryPixelFormat format) {
  switch (format) {
    case MPF_RGB565: return 0xF81F;
    case MPF_RGB555: return 0x7C1F;
    default: return 0xFF00FF;
  }
}

uint32_t PackRGB(MemoryPixelFormat format, uint8_t r, uint8_t g, uint8_t b) {
  switch (format) {
    case MPF_RGB565: return uint32_t(r >> 3) << 11 | uint32_t(g >> 2) << 5 | uint32_t(b >> 3);
    case MPF_RGB555: return uint32_t(r >> 3) << 10 | uint32_t(g >> 3) << 5 | uint32_t(b >> 3);
    case MPF_ARGB4444: return 0xF000u | uint32_t(r >> 4) << 8 | uint32_t(g >> 4) << 4 | uint32_t(b >> 4);
    case MPF_ARGB8888: return 0xFF000000u | uint32_t(r) << 16 | uint32_t(g) << 8 | b;
    default: return uint32_t(r) << 16 | uint32_t(g) << 8 | b;
  }
}

void UnpackRGB(MemoryPixelFormat format, uint32_t p, uint8_t* r, uint8_t* g, uint8_t* b) {
  switch (format) {
    case MPF_RGB565: {
      unsigned r5 = (p >> 11) & 31, g6 = (p >> 5) & 63, b5 = p & 31;
      *r = uint8_t(r5 << 3 | r5 >> 2);
      *g = uint8_t(g6 << 2 | g6 >> 4);
      *b = uint8_t(b5 << 3 | b5 >> 2);
      return;
    }
    case MPF_RGB555: {
      unsigned r5 = (p >> 10) & 31, g5 = (p >> 5) & 31, b5 = p & 31;
      *r = uint8_t(r5 << 3 | r5 >> 2);
      *g = uint8_t(g5 << 3 | g5 >> 2);
      *b = uint8_t(b5 << 3 | b5 >> 2);
      return;
    }
    case MPF_ARGB4444:
      *r = uint8_t(((p >> 8) & 15) * 17);
      *g = uint8_t(((p >> 4) & 15) * 17);
      *b = uint8_t((p & 15) * 17);
      return;
    default:
      *r = uint8_t(p >> 16);
      *g = uint8_t(p >> 8);
      *b = uint8_t(p);
      return;
  }
}

uint32_t ConvertTexel(MemoryPixelFormat format, uint8_t r, uint8_t g, uint8_t b, uint8_t a, bool hasAlpha) {
  if (!hasAlpha) a = 255;
  switch (format) {
    case MPF_RGB565:
      if (a == 0) return 0xF81F;
      return uint32_t(r / 8) << 11 | uint32_t(g / 4) << 5 | uint32_t(b >> 3);
    case MPF_RGB555:
      if (a == 0) return 0x7C1F;
      return uint32_t(r / 8) << 10 | uint32_t(g / 8) << 5 | uint32_t(b >> 3);
    case MPF_ARGB4444: return uint32_t(a / 16) << 12 | uint32_t(r / 16) << 8 | uint32_t(g / 16) << 4 | uint32_t(b >> 4);
    case MPF_ARGB8888: return uint32_t(a) << 24 | uint32_t(r) << 16 | uint32_t(g) << 8 | b;
    default:
      if (a == 0) return 0xFF00FF;
      return uint32_t(a) << 24 | uint32_t(r) << 16 | uint32_t(g) << 8 | b;
  }
}

void ChannelMasks(MemoryPixelFormat format, uint32_t* red, uint32_t* green, uint32_t* blue) {
  switch (format) {
    case MPF_RGB565: *red = 0xF800, *green = 0x07E0, *blue = 0x001F; return;
    case MPF_RGB555: *red = 0x7C00, *green = 0x03E0, *blue = 0x001F; return;
    default: *red = 0xFF0000, *green = 0xFF00, *blue = 0xFF; return;
  }
}
