// Pixel formats of the back buffer and of textures, and the per-pixel
// conversions between them and 8-bit red, green, blue.
#pragma once

#include <cstdint>

// Formats of memory (back buffer and texture pixels). The values are stored in
// texture headers and device state, so they are fixed.
enum MemoryPixelFormat : int {
  MPF_None = 0,
  MPF_RGB565 = 1,     // 16 bits: rrrrrggg gggbbbbb
  MPF_RGB555 = 2,     // 16 bits: 0rrrrrgg gggbbbbb
  MPF_PAL8 = 3,       // 8-bit index into a 256-entry palette held in screen format
  MPF_ARGB4444 = 4,   // 16 bits: aaaarrrr ggggbbbb
  MPF_RGB888_32 = 5,  // 32 bits: 0x00RRGGBB (textures: 0xAARRGGBB, alpha 255 = opaque)
  MPF_ARGB8888 = 6,   // 32 bits: 0xAARRGGBB, blended
};

// The desktop format reported by GetScreenPixelFormat and requested from
// InitDisplay.
enum PixelFormat : int {
  PF_PAL8 = 0,
  PF_RGB565 = 1,
  PF_RGB555 = 2,
  PF_RGB24 = 7,
  PF_RGB32 = 8,
};

int BytesPerPixel(MemoryPixelFormat format);

// The screen format's transparent colour (magenta): 0xF81F, 0x7C1F, 0xFF00FF.
uint32_t TransparentColorOf(MemoryPixelFormat format);

// Packs a colour the way ClearRegion does: each channel truncated to the
// format's width. For ARGB formats the alpha is full.
uint32_t PackRGB(MemoryPixelFormat format, uint8_t r, uint8_t g, uint8_t b);

// The inverse, for screenshots and tests: channels widened by repeating their
// top bits, so 5-bit 31 becomes 255.
void UnpackRGB(MemoryPixelFormat format, uint32_t pixel, uint8_t* r, uint8_t* g, uint8_t* b);

// One texel of a texture converted from an image. hasAlpha tells whether the
// image had an alpha plane; a texel with alpha 0 becomes the transparent
// colour (0 alpha in the ARGB formats), any other alpha is opaque in the
// opaque formats. Pure magenta lands on the transparent colour by itself in
// the 16-bit formats.
uint32_t ConvertTexel(MemoryPixelFormat format, uint8_t r, uint8_t g, uint8_t b, uint8_t a, bool hasAlpha);

// Masks of the channels, for describing the back buffer to the presenter.
void ChannelMasks(MemoryPixelFormat format, uint32_t* red, uint32_t* green, uint32_t* blue);
