// The skin generator's picture: straight (not premultiplied) RGBA colour in
// floats, painted with 4 by 4 supersampled coverage and turned into a
// TrueColorBitmap for a TGA file.
#pragma once

#include <functional>
#include <vector>

#include "gfx/true_color_bitmap.h"

namespace skin {

struct RGBA {
  float r = 0, g = 0, b = 0, a = 1;
};

RGBA Mix(const RGBA& x, const RGBA& y, float t);
// Colour times k; alpha kept.
RGBA Scale(const RGBA& c, float k);
// A colour from 0..255 channels.
RGBA C(int r, int g, int b, float a = 1);

// Where a shape covers (x, y in pixel units) and what colour it paints there.
using Shape = std::function<bool(float, float)>;
using Colouring = std::function<RGBA(float, float)>;

struct Canvas {
  int w, h;
  std::vector<RGBA> px;
  Canvas(int width, int height, RGBA fill = RGBA{0, 0, 0, 0});
  RGBA& at(int x, int y) { return px[size_t(y) * w + x]; }

  // Paints colour(x, y) over the canvas where inside(x, y) holds, with
  // coverage from 4 by 4 samples per pixel (x, y in pixel units, centre +0.5).
  void Paint(const Shape& inside, const Colouring& colour);
  void Fill(const Colouring& colour);

  // 8-bit channels; with alpha, pixels at least half covered are opaque and
  // the rest clear.
  TrueColorBitmap Bitmap(bool alpha) const;
  Canvas Crop(int x0, int y0, int cw, int ch) const;
};

}  // namespace skin
