// quorvel-tool skin OUTDIR [BACKDIR]: generates the default skin, every
// image the launcher loads from zindimgs/ plus the button pieces and a
// txtr.ctl, and the message boxes' long-text tile backgrnd/galvtile, as TGA
// files. The images are drawn procedurally (periodic noise for tiled
// backgrounds, supersampled shapes for bevels, arrows and icons), so the
// output is the same on every run with the same fonts.
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "gfx/true_color_bitmap.h"
#include "platform/filesystem.h"
#include "tool/tool_command.h"

namespace {

int Run(int argc, char** argv);
const ToolCommand kCommand = {
    "skin", "skin OUTDIR [BACKDIR]",
    "write the default skin (zindimgs TGA files and txtr.ctl) into OUTDIR and the long-text tile galvtile.tga into "
    "BACKDIR (default: backgrnd beside OUTDIR)",
    Run};
ToolCommandRegistration reg(kCommand);

struct RGBA {
  float r = 0, g = 0, b = 0, a = 1;
};

RGBA Mix(const RGBA& x, const RGBA& y, float t) {
  return RGBA{x.r + (y.r - x.r) * t, x.g + (y.g - x.g) * t, x.b + (y.b - x.b) * t, x.a + (y.a - x.a) * t};
}

RGBA Scale(const RGBA& c, float k) { return RGBA{c.r * k, c.g * k, c.b * k, c.a}; }

RGBA C(int r, int g, int b, float a = 1) { return RGBA{r / 255.f, g / 255.f, b / 255.f, a}; }

// A picture being drawn: straight (not premultiplied) colour with alpha.
struct Canvas {
  int w, h;
  std::vector<RGBA> px;
  Canvas(int width, int height, RGBA fill = RGBA{0, 0, 0, 0}) : w(width), h(height), px(size_t(w) * h, fill) {}
  RGBA& at(int x, int y) { return px[size_t(y) * w + x]; }

  // Paints colour(x, y) over the canvas where inside(x, y) holds, with
  // coverage from 4 by 4 samples per pixel (x, y in pixel units, centre +0.5).
  void Paint(const std::function<bool(float, float)>& inside, const std::function<RGBA(float, float)>& colour) {
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
  void Fill(const std::function<RGBA(float, float)>& colour) {
    Paint([](float, float) { return true; }, colour);
  }

  TrueColorBitmap Bitmap(bool alpha) const {
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
  Canvas Crop(int x0, int y0, int cw, int ch) const {
    Canvas out(cw, ch);
    for (int y = 0; y < ch; ++y)
      for (int x = 0; x < cw; ++x) out.at(x, y) = px[size_t(y0 + y) * w + x0 + x];
    return out;
  }
};

// Shapes --------------------------------------------------------------

std::function<bool(float, float)> RoundRect(float x0, float y0, float x1, float y1, float radius) {
  return [=](float x, float y) {
    if (x < x0 || x > x1 || y < y0 || y > y1) return false;
    float cx = std::clamp(x, x0 + radius, x1 - radius), cy = std::clamp(y, y0 + radius, y1 - radius);
    return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= radius * radius;
  };
}

std::function<bool(float, float)> Triangle(float ax, float ay, float bx, float by, float cx, float cy) {
  return [=](float x, float y) {
    auto side = [](float px, float py, float qx, float qy, float x, float y) {
      return (qx - px) * (y - py) - (qy - py) * (x - px);
    };
    float d1 = side(ax, ay, bx, by, x, y), d2 = side(bx, by, cx, cy, x, y), d3 = side(cx, cy, ax, ay, x, y);
    return (d1 >= 0 && d2 >= 0 && d3 >= 0) || (d1 <= 0 && d2 <= 0 && d3 <= 0);
  };
}

std::function<bool(float, float)> Segment(float ax, float ay, float bx, float by, float width) {
  return [=](float x, float y) {
    float dx = bx - ax, dy = by - ay;
    float t = std::clamp(((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy), 0.f, 1.f);
    float ex = ax + t * dx - x, ey = ay + t * dy - y;
    return ex * ex + ey * ey <= width * width / 4;
  };
}

std::function<bool(float, float)> Circle(float cx, float cy, float r) {
  return [=](float x, float y) { return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r; };
}

auto SolidFn(RGBA c) {
  return [c](float, float) { return c; };
}

// Noise ---------------------------------------------------------------

float Lattice(int x, int y, int seed) {
  uint32_t h = uint32_t(x) * 374761393u + uint32_t(y) * 668265263u + uint32_t(seed) * 2246822519u;
  h = (h ^ (h >> 13)) * 1274126177u;
  return float((h ^ (h >> 16)) & 0xFFFF) / 65535.f;
}

// Value noise with period cells across period * cellSize pixels, so a tile
// of that size repeats without a seam.
float PeriodicNoise(float x, float y, float cellSize, int period, int seed) {
  float fx = x / cellSize, fy = y / cellSize;
  int ix = int(std::floor(fx)), iy = int(std::floor(fy));
  float tx = fx - ix, ty = fy - iy;
  tx = tx * tx * (3 - 2 * tx);
  ty = ty * ty * (3 - 2 * ty);
  auto L = [&](int a, int b) { return Lattice(((a % period) + period) % period, ((b % period) + period) % period, seed); };
  float top = L(ix, iy) + (L(ix + 1, iy) - L(ix, iy)) * tx;
  float bottom = L(ix, iy + 1) + (L(ix + 1, iy + 1) - L(ix, iy + 1)) * tx;
  return top + (bottom - top) * ty;
}

// Fractal noise over a square tile of size pixels (a power of two).
float Fbm(float x, float y, int size, int seed) {
  float sum = 0, amp = 0.5f, norm = 0;
  for (int cells = 4; cells <= 32; cells *= 2) {
    sum += amp * PeriodicNoise(x, y, float(size) / cells, cells, seed + cells);
    norm += amp;
    amp *= 0.5f;
  }
  return sum / norm;
}

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

// Skin pieces ----------------------------------------------------------

const RGBA kOutline = C(8, 10, 18);
const RGBA kGold = C(214, 174, 92);
const RGBA kGoldDark = C(120, 90, 40);

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
    c.Paint([&](float x, float y) { return RoundRect(1, 1, w - 1, h - 1, 4)(x, y) && !RoundRect(1, 2.5f, w - 1, h, 4)(x, y); },
            SolidFn(C(190, 210, 245, 0.9f)));
    c.Paint([&](float x, float y) { return RoundRect(1, 1, w - 1, h - 1, 4)(x, y) && !RoundRect(1, 0, w - 1, h - 2.5f, 4)(x, y); },
            SolidFn(C(14, 20, 40, 0.8f)));
    // A soft gloss over the upper half.
    c.Paint(RoundRect(2, 2.5f, w - 2, h / 2.f, 3), SolidFn(C(255, 255, 255, 0.10f)));
  }
  return c;
}

// A square bevelled tile (scroll arrows, gadgets, drop-down button).
Canvas BevelTile(int w, int h, RGBA top, RGBA bottom, bool sunken = false) {
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

enum Direction { Up, Down, Left, Right };

void Arrow(Canvas& c, Direction d, float cx, float cy, float size, RGBA colour) {
  float s = size / 2;
  std::function<bool(float, float)> tri;
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
  auto shadowed = [&](const std::function<bool(float, float)>& shape, RGBA colour) {
    c.Paint([&](float x, float y) { return shape(x - 1, y - 1); }, SolidFn(C(0, 0, 0, 0.55f)));
    c.Paint(shape, SolidFn(colour));
  };
  if (kind == 0) {  // OK: a green tick
    shadowed([](float x, float y) { return Segment(2.5f, 8.5f, 6, 12.5f, 3)(x, y) || Segment(6, 12.5f, 13.5f, 3, 3)(x, y); },
             C(80, 220, 96));
  } else if (kind == 1) {  // Cancel: a red cross
    shadowed([](float x, float y) { return Segment(3.5f, 3.5f, 12.5f, 12.5f, 3)(x, y) || Segment(12.5f, 3.5f, 3.5f, 12.5f, 3)(x, y); },
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

// Title lettering for the main background: antialiased coverage of a text
// line rendered by FreeType from fontconfig's match for the face.
std::vector<float> Lettering(const char* face, const char* text, int height, int* outW, int* outH) {
  *outW = *outH = 0;
  std::vector<float> cov;
  FT_Library lib = nullptr;
  if (FT_Init_FreeType(&lib) != 0) return cov;
  std::string file;
  int index = 0;
  if (FcInit()) {
    FcPattern* pat = FcNameParse(reinterpret_cast<const FcChar8*>(face));
    FcConfigSubstitute(nullptr, pat, FcMatchPattern);
    FcDefaultSubstitute(pat);
    FcResult result;
    FcPattern* match = FcFontMatch(nullptr, pat, &result);
    FcChar8* path = nullptr;
    if (match && FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch) {
      file = reinterpret_cast<const char*>(path);
      FcPatternGetInteger(match, FC_INDEX, 0, &index);
    }
    if (match) FcPatternDestroy(match);
    FcPatternDestroy(pat);
  }
  FT_Face ft = nullptr;
  if (file.empty() || FT_New_Face(lib, file.c_str(), index, &ft) != 0) {
    FT_Done_FreeType(lib);
    return cov;
  }
  FT_Set_Pixel_Sizes(ft, 0, FT_UInt(height));
  int ascent = int(ft->size->metrics.ascender >> 6), descent = int(-(ft->size->metrics.descender >> 6));
  int w = 0;
  for (const char* p = text; *p; ++p)
    if (FT_Load_Char(ft, static_cast<unsigned char>(*p), FT_LOAD_DEFAULT) == 0) w += int(ft->glyph->advance.x >> 6);
  int h = ascent + descent;
  cov.assign(size_t(w) * h, 0);
  int pen = 0;
  for (const char* p = text; *p; ++p) {
    if (FT_Load_Char(ft, static_cast<unsigned char>(*p), FT_LOAD_RENDER) != 0) continue;
    FT_GlyphSlot g = ft->glyph;
    for (unsigned y = 0; y < g->bitmap.rows; ++y)
      for (unsigned x = 0; x < g->bitmap.width; ++x) {
        int px = pen + g->bitmap_left + int(x), py = ascent - g->bitmap_top + int(y);
        if (px < 0 || py < 0 || px >= w || py >= h) continue;
        float v = g->bitmap.buffer[y * g->bitmap.pitch + x] / 255.f;
        cov[size_t(py) * w + px] = std::max(cov[size_t(py) * w + px], v);
      }
    pen += int(g->advance.x >> 6);
  }
  FT_Done_Face(ft);
  FT_Done_FreeType(lib);
  *outW = w;
  *outH = h;
  return cov;
}

Canvas SignIn() {
  const int w = 720, h = 505;
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
  c.Paint([](float, float y) { return y > 33 && y < 35; }, [&](float x, float) { return Mix(kGold, kGoldDark, std::fabs(x / w - 0.5f) * 2); });
  c.Paint([](float, float y) { return y > 111 && y < 113; }, [&](float x, float) { return Mix(kGold, kGoldDark, std::fabs(x / w - 0.5f) * 2); });
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
  c.Paint([&](float, float y) { return y > h - 88; }, [&](float, float y) { return C(0, 0, 0, 0.15f + 0.35f * (y - (h - 88)) / 88); });
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
    c.Paint([=](float x, float yy) { return x > 4 && x < 12 && yy > y + 1 && yy < y + 2; }, SolidFn(C(210, 222, 248, 0.6f)));
  }
  return c;
}

struct Output {
  std::string dir;
  int written = 0;
  bool ok = true;
  void Write(const char* name, const Canvas& c, bool alpha) {
    std::vector<uint8_t> bytes = EncodeTga(c.Bitmap(alpha));
    std::string path = dir + "/" + name;
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) ok = false;
    if (f && std::fclose(f) != 0) ok = false;
    ++written;
  }
};

// The directory called `name` next to `dir` (trailing separators ignored).
std::string SiblingDirectory(std::string dir, const char* name) {
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  size_t slash = dir.rfind('/');
  if (slash == std::string::npos) return name;
  return dir.substr(0, slash + 1) + name;
}

const char kControlFile[] =
    "; Texture control file of the default skin.\n"
    "; Every image here is generated by `quorvel-tool skin DIR`; edit the generator,\n"
    "; not the images. Transparent parts are alpha 0 in 32-bit TGA files.\n"
    ";\n"
    "; Sizes the toolkit relies on:\n"
    ";   btn01{l,c,r}{u,d}  push-button pieces, 8 x 24 each; the centre piece is stretched\n"
    ";   button01..03       check box: empty, pressed, ticked (20 x 20)\n"
    ";   lside, rside       6 x 32 tiled down; bottom 32 x 6 tiled across\n"
    ";   corner{ul,ur,ll,lr} 6 x 6; ttlbar 64 x 20 across the top between the upper corners\n"
    ";   arrow{up,dn,lft,rt}, scrollm, closebt1, minibt1, icn*  16 x 16\n"
    ";   dddown, ddup       16 x 12; arromenu 25 x 25; dropdown 64 x 64 tiled\n"
    ";   menublue, menudkgr 128 x 128 tiled; signin 720 x 505\n"
    "\n"
    "TEXTURE menublue.tga\n"
    "NODITHER\n"
    "TEXTURE menudkgr.tga\n"
    "NODITHER\n"
    "TEXTURE signin.tga\n"
    "NODITHER\n";

int Run(int argc, char** argv) {
  if (WantsHelp(argc, argv)) return ToolHelp(kCommand);
  if (argc != 2 && argc != 3) return ToolError("usage: quorvel-tool %s", kCommand.usage);
  Output out{argv[1]};
  if (!PlatMakeDirectory(out.dir)) return ToolError("cannot create directory %s", argv[1]);
  // The install tree keeps zindimgs/ and backgrnd/ side by side.
  std::string backDir = argc == 3 ? argv[2] : SiblingDirectory(out.dir, "backgrnd");
  if (!PlatMakeDirectory(backDir)) return ToolError("cannot create directory %s", backDir.c_str());

  out.Write("menublue.tga", Marble(128, C(16, 26, 52), C(52, 74, 124), C(130, 150, 200), 1), false);
  out.Write("menudkgr.tga", Marble(128, C(20, 22, 26), C(54, 58, 66), C(120, 126, 136), 2), false);
  out.Write("signin.tga", SignIn(), false);
  for (int state = 0; state < 3; ++state) {
    char name[32];
    std::snprintf(name, sizeof name, "button%02d.tga", state + 1);
    out.Write(name, CheckBox(state), true);
  }
  out.Write("arromenu.tga", DropButton(25, 25), true);
  out.Write("lside.tga", BorderStrip(6, 32, true, true), false);
  out.Write("rside.tga", BorderStrip(6, 32, true, false), false);
  out.Write("bottom.tga", BorderStrip(32, 6, false, false), false);
  out.Write("cornerul.tga", Corner(false, false), false);
  out.Write("cornerur.tga", Corner(true, false), false);
  out.Write("cornerll.tga", Corner(false, true), false);
  out.Write("cornerlr.tga", Corner(true, true), false);
  out.Write("arrowup.tga", ScrollArrow(Up), true);
  out.Write("arrowdn.tga", ScrollArrow(Down), true);
  out.Write("arrowlft.tga", ScrollArrow(Left), true);
  out.Write("arrowrt.tga", ScrollArrow(Right), true);
  out.Write("scrollm.tga", Slider(), true);
  out.Write("ttlbar.tga", TitleBar(), false);
  out.Write("icnok.tga", Icon(0), true);
  out.Write("icncancl.tga", Icon(1), true);
  out.Write("icnhelp.tga", Icon(2), true);
  out.Write("closebt1.tga", Gadget(true), true);
  out.Write("minibt1.tga", Gadget(false), true);
  out.Write("dropdown.tga", Panel(64, C(24, 30, 48), 5), false);
  out.Write("dddown.tga", MenuScroll(Down), true);
  out.Write("ddup.tga", MenuScroll(Up), true);
  for (int pressed = 0; pressed < 2; ++pressed) {
    Canvas face = ButtonFace(pressed);
    const char* parts[3] = {"l", "c", "r"};
    for (int i = 0; i < 3; ++i) {
      std::string name = std::string("btn01") + parts[i] + (pressed ? "d" : "u") + ".tga";
      out.Write(name.c_str(), face.Crop(8 * i, 0, 8, 24), true);
    }
  }
  Output back{backDir};
  back.Write("galvtile.tga", Panel(64, C(22, 26, 36), 9), false);
  out.ok = out.ok && back.ok;
  out.written += back.written;
  std::string ctl = out.dir + "/txtr.ctl";
  FILE* f = std::fopen(ctl.c_str(), "wb");
  if (!f || std::fwrite(kControlFile, 1, sizeof kControlFile - 1, f) != sizeof kControlFile - 1) out.ok = false;
  if (f && std::fclose(f) != 0) out.ok = false;
  if (!out.ok) return ToolError("cannot write the skin into %s", argv[1]);
  std::printf("wrote %d images and txtr.ctl into %s and %s\n", out.written, argv[1], backDir.c_str());
  return 0;
}

}  // namespace
