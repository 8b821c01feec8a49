#include "tool/skin_canvas.h"

#include <algorithm>
#include <cmath>

namespace skin {

RGBA Mix(const RGBA& x, const RGBA& y, float t) {
  return RGBA{x.r + (y.r - x.r) * t, x.g + (y.g - x.g) * t, x.b + (y.b - x.b) * t, x.a + (y.a - x.a) * t};
}

RGBA Scale(const RGBA& c, float k) { return RGBA{c.r * k, c.g * k, c.b * k, c.a}; }

RGBA C(int r, int g, int b, float a) { return RGBA{r / 255.f, g / 255.f, b / 255.f, a}; }

Canvas::Canvas(int width, int height, RGBA fill) : w(width), h(height), px(size_t(w) * h, fill) {}

void Canvas::Paint(const Shape& inside, const Colouring& colour) {
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      int hits = 0;
      for (int sy = 0; sy < 4; ++sy)
        for (int sx = 0; sx < 4; ++sx) hits += inside(x + (sx + 0.5f) / 4, y + (sy + 0.5f) / 4);
      if (!hits) continue;
      RGBA c = colour(x + 0.5f, y + 0.5f);
      float cov = hits / 16.f * c.a;
      RGBA& d = at(x, y);
      float outA = cov + d.a * (1 - cov);
      if (outA <= 0) continue;
      d.r = (c.r * cov + d.r * d.a * (1 - cov)) / outA;
      d.g = (c.g * cov + d.g * d.a * (1 - cov)) / outA;
      d.b = (c.b * cov + d.b * d.a * (1 - cov)) / outA;
      d.a = outA;
    }
}

void Canvas::Fill(const Colouring& colour) {
  Paint([](float, float) { return true; }, colour);
}

TrueColorBitmap Canvas::Bitmap(bool alpha) const {
  TrueColorBitmap b;
  b.Width = w;
  b.Height = h;
  for (const RGBA& c : px) {
    auto byte = [](float v) { return uint8_t(std::clamp(std::lround(v * 255), 0L, 255L)); };
    b.RGB.insert(b.RGB.end(), {byte(c.r), byte(c.g), byte(c.b)});
    // Anything less than half covered is clear; the device draws the rest opaque.
    if (alpha) b.Alpha.push_back(c.a >= 0.5f ? 255 : 0);
  }
  return b;
}

Canvas Canvas::Crop(int x0, int y0, int cw, int ch) const {
  Canvas out(cw, ch);
  for (int y = 0; y < ch; ++y)
    for (int x = 0; x < cw; ++x) out.at(x, y) = px[size_t(y0 + y) * w + x0 + x];
  return out;
}

}  // namespace skin
