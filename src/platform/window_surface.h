// Presenting a back buffer in the program window: the pixels are copied
// into the window's surface, whole or by rectangles, and those rectangles are
// shown. GUI thread only.
#pragma once

#include <cstdint>

#include "platform/window.h"

// A pixel layout: 16 or 32 bits per pixel with the channel masks.
struct PlatPixelLayout {
  int bitsPerPixel = 32;
  uint32_t redMask = 0xFF0000, greenMask = 0xFF00, blueMask = 0xFF;
};

struct PlatRect {
  int x = 0, y = 0, w = 0, h = 0;
};

// The layout of the window's surface (the desktop's format). False when the
// window has no surface (hidden, destroyed, or no video).
bool PlatGetWindowPixelLayout(HWND window, PlatPixelLayout* layout);

// Copies the given rectangles of a width by height image (pitch bytes a row,
// rows top to bottom) into the window's surface at the same places and shows
// them. Rectangles are clipped to the image and the surface; a null list
// means the whole image. Returns false when nothing could be presented.
bool PlatPresentPixels(HWND window, const void* pixels, int pitch, int width, int height, const PlatPixelLayout& layout,
                       const PlatRect* rects, int count);

// Reads back one pixel of the window's surface as 8-bit red, green, blue
// (tests and screenshots of what was presented). False outside the surface.
bool PlatReadWindowPixel(HWND window, int x, int y, uint8_t* r, uint8_t* g, uint8_t* b);
