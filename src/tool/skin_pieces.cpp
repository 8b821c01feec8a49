#include "tool/skin_pieces.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "launcher/launcher_globals.h"
#include "tool/skin_lettering.h"
#include "tool/skin_shapes.h"

namespace skin {

// Marble: veins bent by noise, periodic over the tile.
Canvas Marble(int size, RGBA base, RGBA vein, RGBA speck, int seed) {
  Canvas c(size, size);
  c.Fill([&](float x, float y) {
    float n = Fbm(x, y, size, seed);
    float v = std::fabs(std::sin(6.2831853f * (2 * x / size + y / size) + 7.0f * n));
    float veins = std::pow(1 - v, 6.0f);
    float grain = PeriodicNoise(x, y, 1.5f, int(size / 1.5f + 0.5f), seed + 99);
    RGBA col = Mix(base, vein, std::clamp(veins * 0.9f + (n - 0.5f) * 0.5f, 0.f, 1.f));
    col = Mix(col, speck, std::max(0.f, grain - 0.8f) * 1.2f);
    return col;
  });
  return c;
}

namespace {

const RGBA kOutline = C(8, 10, 18);
const RGBA kGold = C(214, 174, 92);
const RGBA kGoldDark = C(120, 90, 40);

}  // namespace

// The three pieces of a push button, raised or pressed, drawn as one image
// so that the pieces join: left and right 8 pixels, centre 8 (stretched).
Canvas ButtonFace(bool pressed) {
  const int w = 24, h = 24;
  Canvas c(w, h);
  RGBA top = pressed ? C(30, 40, 72) : C(92, 120, 178), bottom = pressed ? C(52, 70, 116) : C(34, 48, 90);
  c.Paint(RoundRect(0, 0, w, h, 5), SolidFn(kOutline));
  c.Paint(RoundRect(1, 1, w - 1, h - 1, 4), [&](float, float y) { return Mix(top, bottom, (y - 1) / (h - 2)); });
  if (pressed) {
    // Inner shadow along the top and left edges.
    c.Paint([&](float x, float y) { return RoundRect(1, 1, w - 1, h - 1, 4)(x, y) && !RoundRect(3, 3, w, h, 4)(x, y); },
            SolidFn(C(10, 14, 28, 0.8f)));
  } else {
    // Highlight along the top, shade along the bottom.
    c.Paint([&](float x,
                float y) { return RoundRect(1, 1, w - 1, h - 1, 4)(x, y) && !RoundRect(1, 2.5f, w - 1, h, 4)(x, y); },
            SolidFn(C(190, 210, 245, 0.9f)));
    c.Paint(
        [&](float x, float y) {
          return RoundRect(1, 1, w - 1, h - 1, 4)(x, y) && !RoundRect(1, 0, w - 1, h - 2.5f, 4)(x, y);
        },
        SolidFn(C(14, 20, 40, 0.8f)));
    // A soft gloss over the upper half.
    c.Paint(RoundRect(2, 2.5f, w - 2, h / 2.f, 3), SolidFn(C(255, 255, 255, 0.10f)));
  }
  return c;
}

// A square bevelled tile (scroll arrows, gadgets, drop-down button).
Canvas BevelTile(int w, int h, RGBA top, RGBA bottom, bool sunken) {
  Canvas c(w, h);
  c.Paint(RoundRect(0, 0, w, h, 2), SolidFn(kOutline));
  c.Paint(RoundRect(1, 1, w - 1, h - 1, 1.5f), [&](float, float y) { return Mix(top, bottom, y / h); });
  RGBA light = C(200, 215, 245, 0.7f), dark = C(5, 8, 20, 0.7f);
  if (sunken) std::swap(light, dark);
  c.Paint([&](float x, float y) { return x > 1 && x < w - 1 && y > 1 && y < 2; }, SolidFn(light));
  c.Paint([&](float x, float y) { return x > 1 && x < 2 && y > 1 && y < h - 1; }, SolidFn(light));
  c.Paint([&](float x, float y) { return x > 1 && x < w - 1 && y > h - 2 && y < h - 1; }, SolidFn(dark));
  c.Paint([&](float x, float y) { return x > w - 2 && x < w - 1 && y > 1 && y < h - 1; }, SolidFn(dark));
  return c;
}

void Arrow(Canvas& c, Direction d, float cx, float cy, float size, RGBA colour) {
  float s = size / 2;
  Shape tri;
  switch (d) {
    case Up: tri = Triangle(cx - s, cy + s * 0.6f, cx + s, cy + s * 0.6f, cx, cy - s * 0.7f); break;
    case Down: tri = Triangle(cx - s, cy - s * 0.6f, cx + s, cy - s * 0.6f, cx, cy + s * 0.7f); break;
    case Left: tri = Triangle(cx + s * 0.6f, cy - s, cx + s * 0.6f, cy + s, cx - s * 0.7f, cy); break;
    case Right: tri = Triangle(cx - s * 0.6f, cy - s, cx - s * 0.6f, cy + s, cx + s * 0.7f, cy); break;
  }
  // A dark shadow one pixel down-right, then the arrow.
  c.Paint([&](float x, float y) { return tri(x - 1, y - 1); }, SolidFn(C(0, 0, 0, 0.6f)));
  c.Paint(tri, SolidFn(colour));
}

Canvas ScrollArrow(Direction d) {
  Canvas c = BevelTile(16, 16, C(80, 104, 156), C(36, 50, 90));
  Arrow(c, d, 8, 8, 9, C(236, 240, 250));
  return c;
}

Canvas CheckBox(int state) {
  // 0: empty, 1: pressed (sunken, darker), 2: ticked.
  Canvas c(20, 20);
  c.Paint(RoundRect(0, 0, 20, 20, 3), SolidFn(kOutline));
  c.Paint(RoundRect(1, 1, 19, 19, 2.5f), [&](float, float y) { return Mix(C(150, 160, 185), C(80, 90, 120), y / 20); });
  RGBA well = state == 1 ? C(10, 14, 26) : C(22, 28, 46);
  c.Paint(RoundRect(3, 3, 17, 17, 1.5f), [&](float, float y) { return Mix(well, C(40, 50, 78), y / 20); });
  c.Paint([](float x, float y) { return x > 3 && x < 17 && y > 3 && y < 4.5f; }, SolidFn(C(0, 0, 0, 0.6f)));
  if (state == 2) {
    auto tick = [](float x, float y) {
      return Segment(5.5f, 10, 8.5f, 14, 2.6f)(x, y) || Segment(8.5f, 14, 15, 5.5f, 2.6f)(x, y);
    };
    c.Paint([&](float x, float y) { return tick(x - 1, y - 1); }, SolidFn(C(0, 0, 0, 0.7f)));
    c.Paint(tick, SolidFn(C(90, 240, 110)));
  }
  return c;
}

// Framed-window borders: 6 pixels thick, gold rim outside, dark steel inside.
RGBA BorderColour(float depth) {  // 0 at the outer edge, 6 at the inner
  if (depth < 1) return kOutline;
  if (depth < 2) return kGold;
  if (depth < 3) return kGoldDark;
  if (depth < 5) return Mix(C(62, 72, 98), C(40, 48, 70), (depth - 3) / 2);
  return kOutline;
}

Canvas BorderStrip(int w, int h, bool vertical, bool outerAtStart) {
  Canvas c(w, h);
  c.Fill([&](float x, float y) {
    float across = vertical ? x : y;
    float depth = outerAtStart ? across : 6 - across;
    return BorderColour(depth);
  });
  return c;
}

// A corner: the depth is the smaller of the two edge distances, so the rims
// of the two strips that meet there run into each other.
Canvas Corner(bool right, bool bottom) {
  Canvas c(6, 6);
  c.Fill([&](float x, float y) {
    float dx = right ? 6 - x : x, dy = bottom ? 6 - y : y;
    return BorderColour(std::min(dx, dy));
  });
  return c;
}

Canvas TitleBar() {
  Canvas c(64, 20);
  c.Fill([&](float x, float y) {
    if (y < 1) return kOutline;
    if (y < 2) return kGold;
    if (y < 3) return kGoldDark;
    if (y > 19) return kOutline;
    RGBA col = Mix(C(70, 90, 138), C(28, 36, 64), (y - 3) / 16);
    return Mix(col, C(255, 255, 255), y < 4 ? 0.12f : 0.f);
  });
  return c;
}

Canvas Icon(int kind) {
  Canvas c(16, 16);
  auto shadowed = [&](const Shape& shape, RGBA colour) {
    c.Paint([&](float x, float y) { return shape(x - 1, y - 1); }, SolidFn(C(0, 0, 0, 0.55f)));
    c.Paint(shape, SolidFn(colour));
  };
  if (kind == 0) {  // OK: a green tick
    shadowed(
        [](float x, float y) { return Segment(2.5f, 8.5f, 6, 12.5f, 3)(x, y) || Segment(6, 12.5f, 13.5f, 3, 3)(x, y); },
        C(80, 220, 96));
  } else if (kind == 1) {  // Cancel: a red cross
    shadowed(
        [](float x, float y) {
          return Segment(3.5f, 3.5f, 12.5f, 12.5f, 3)(x, y) || Segment(12.5f, 3.5f, 3.5f, 12.5f, 3)(x, y);
        },
        C(232, 72, 60));
  } else {  // Help: a blue disc with a question mark
    shadowed(Circle(7.5f, 7.5f, 7), C(60, 110, 220));
    auto mark = [](float x, float y) {
      float dx = x - 7.5f, dy = y - 6;
      float r = std::sqrt(dx * dx + dy * dy);
      bool hook = r > 1.6f && r < 3.4f && !(dx < 0 && dy > -0.5f);
      return hook || Segment(7.5f, 8.5f, 7.5f, 9.5f, 2)(x, y) || Circle(7.5f, 12, 1.2f)(x, y);
    };
    c.Paint(mark, SolidFn(C(250, 250, 255)));
  }
  return c;
}

Canvas Gadget(bool close) {
  Canvas c = BevelTile(16, 16, close ? C(180, 70, 60) : C(84, 100, 140), close ? C(110, 30, 26) : C(40, 50, 84));
  if (close)
    c.Paint([](float x, float y) { return Segment(5, 5, 11, 11, 2)(x, y) || Segment(11, 5, 5, 11, 2)(x, y); },
            SolidFn(C(250, 240, 235)));
  else
    c.Paint([](float x, float y) { return x > 4.5f && x < 11.5f && y > 9.5f && y < 11.5f; }, SolidFn(C(240, 244, 252)));
  return c;
}

Canvas SignIn() {
  const int w = kDefaultCustomWinWidth, h = kDefaultCustomWinHeight;
  Canvas c(w, h);
  Canvas marble = Marble(128, C(14, 22, 44), C(46, 66, 112), C(120, 140, 190), 7);
  c.Fill([&](float x, float y) {
    RGBA m = marble.at(int(x) % 128, int(y) % 128);
    float dx = (x - w * 0.5f) / w, dy = (y - h * 0.38f) / h;
    float vignette = std::clamp(1.15f - 1.6f * (dx * dx + dy * dy), 0.35f, 1.f);
    return Scale(m, vignette);
  });
  // A banner band behind the title with gold rules.
  c.Paint([](float, float y) { return y > 34 && y < 112; }, SolidFn(C(4, 6, 14, 0.45f)));
  c.Paint([](float, float y) { return y > 33 && y < 35; },
          [&](float x, float) { return Mix(kGold, kGoldDark, std::fabs(x / w - 0.5f) * 2); });
  c.Paint([](float, float y) { return y > 111 && y < 113; },
          [&](float x, float) { return Mix(kGold, kGoldDark, std::fabs(x / w - 0.5f) * 2); });
  int tw = 0, th = 0;
  std::vector<float> title = Lettering("DejaVu Serif:bold", "QUORVEL ONLINE", 50, &tw, &th);
  int tx = (w - tw) / 2, ty = 44;
  for (int pass = 0; pass < 2; ++pass)
    for (int y = 0; y < th; ++y)
      for (int x = 0; x < tw; ++x) {
        float a = title[size_t(y) * tw + x];
        if (a <= 0) continue;
        int px = tx + x + (pass == 0 ? 2 : 0), py = ty + y + (pass == 0 ? 3 : 0);
        if (px >= w || py >= h) continue;
        RGBA ink = pass == 0 ? C(0, 0, 0) : Mix(C(250, 226, 160), C(190, 140, 60), float(y) / th);
        RGBA& d = c.at(px, py);
        d = Mix(d, ink, pass == 0 ? a * 0.7f : a);
      }
  int sw = 0, sh = 0;
  std::vector<float> sub = Lettering("DejaVu Serif", "Install  \xB7  Update  \xB7  Play", 17, &sw, &sh);
  int sx = (w - sw) / 2, sy = 120;
  for (int y = 0; y < sh; ++y)
    for (int x = 0; x < sw; ++x) {
      float a = sub[size_t(y) * sw + x];
      if (a > 0 && sx + x < w && sy + y < h) c.at(sx + x, sy + y) = Mix(c.at(sx + x, sy + y), C(170, 185, 220), a);
    }
  // A bottom panel where the buttons sit.
  c.Paint([&](float, float y) { return y > h - 88; },
          [&](float, float y) { return C(0, 0, 0, 0.15f + 0.35f * (y - (h - 88)) / 88); });
  c.Paint([&](float, float y) { return y > h - 89 && y < h - 88; }, SolidFn(C(214, 174, 92, 0.5f)));
  return c;
}

Canvas Panel(int size, RGBA base, int seed) {
  Canvas c(size, size);
  c.Fill([&](float x, float y) {
    float n = Fbm(x, y, size, seed);
    return Mix(base, Scale(base, 1.5f), n);
  });
  return c;
}

Canvas DropButton(int w, int h) {
  Canvas c = BevelTile(w, h, C(80, 104, 156), C(36, 50, 90));
  Arrow(c, Down, w / 2.f, h / 2.f + 0.5f, std::min(w, h) * 0.5f, C(236, 240, 250));
  return c;
}

Canvas MenuScroll(Direction d) {
  Canvas c = BevelTile(16, 12, C(70, 92, 140), C(32, 44, 80));
  Arrow(c, d, 8, 6, 7, C(236, 240, 250));
  return c;
}

Canvas Slider() {
  Canvas c = BevelTile(16, 16, C(120, 140, 186), C(60, 76, 120));
  for (int i = 0; i < 3; ++i) {
    float y = 5.5f + 2.5f * i;
    c.Paint([=](float x, float yy) { return x > 4 && x < 12 && yy > y && yy < y + 1; }, SolidFn(C(20, 26, 48, 0.8f)));
    c.Paint([=](float x, float yy) { return x > 4 && x < 12 && yy > y + 1 && yy < y + 2; },
            SolidFn(C(210, 222, 248, 0.6f)));
  }
  return c;
}

}  // namespace skin
