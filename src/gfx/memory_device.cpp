#include "gfx/memory_device.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "foundation/alloc.h"
#include "gfx/texture.h"
#include "gfx/texture_control_file.h"
#include "gfx/true_color_bitmap.h"

namespace {

// A rectangle clipped to the device's clip; empty when w or h <= 0.
struct Span {
  int x, y, w, h;
};

Span Clip(int x, int y, int w, int h) {
  // In 64 bits, so that no rectangle near the int limits overflows.
  long long x1 = std::max<long long>(x, GfxDevice::clip_minx), y1 = std::max<long long>(y, GfxDevice::clip_miny);
  long long x2 = std::min<long long>((long long)x + w - 1, GfxDevice::clip_maxx);
  long long y2 = std::min<long long>((long long)y + h - 1, GfxDevice::clip_maxy);
  if (x2 < x1 || y2 < y1) return Span{0, 0, 0, 0};
  return Span{int(x1), int(y1), int(x2 - x1 + 1), int(y2 - y1 + 1)};
}

// A float coordinate truncated to a pixel; values far outside any buffer (or
// not numbers) are limited first, since converting them would be undefined.
int ToCoord(float v) {
  if (!(v > -1e6f)) return -1000000;
  if (v > 1e6f) return 1000000;
  return int(v);
}

uint8_t ToByte(float v) {
  if (!(v > 0)) return 0;
  if (v >= 255) return 255;
  return uint8_t(v);
}

inline uint32_t Darken50(MemoryPixelFormat f, uint32_t p) {
  switch (f) {
    case MPF_RGB565: return (p >> 1) & 0x7BEF;
    case MPF_RGB555: return (p >> 1) & 0x3DEF;
    default: return (p >> 1) & 0x7F7F7F;
  }
}

inline uint32_t Darken25(MemoryPixelFormat f, uint32_t p) {
  switch (f) {
    case MPF_RGB565: return ((p >> 1) & 0x7BEF) + ((p >> 2) & 0x39C7);
    case MPF_RGB555: return ((p >> 1) & 0x3DEF) + ((p >> 2) & 0x1CE7);
    default: return ((p >> 1) & 0x7F7F7F) + ((p >> 2) & 0x3F3F3F);
  }
}

inline uint32_t Lighten(MemoryPixelFormat f, uint32_t p) {
  switch (f) {
    case MPF_RGB565: {
      uint32_t r = std::min<uint32_t>(((p >> 11) & 31) + 4, 31), g = std::min<uint32_t>(((p >> 5) & 63) + 8, 63),
               b = std::min<uint32_t>((p & 31) + 4, 31);
      return r << 11 | g << 5 | b;
    }
    case MPF_RGB555: {
      uint32_t r = std::min<uint32_t>(((p >> 10) & 31) + 4, 31), g = std::min<uint32_t>(((p >> 5) & 31) + 4, 31),
               b = std::min<uint32_t>((p & 31) + 4, 31);
      return r << 10 | g << 5 | b;
    }
    default: {
      uint32_t r = std::min<uint32_t>(((p >> 16) & 255) + 16, 255), g = std::min<uint32_t>(((p >> 8) & 255) + 16, 255),
               b = std::min<uint32_t>((p & 255) + 16, 255);
      return (p & 0xFF000000u) | r << 16 | g << 8 | b;
    }
  }
}

inline uint32_t Get(const uint8_t* p, int bpp) {
  if (bpp == 2) return *reinterpret_cast<const uint16_t*>(p);
  if (bpp == 4) return *reinterpret_cast<const uint32_t*>(p);
  return *p;
}

inline void Put(uint8_t* p, int bpp, uint32_t v) {
  if (bpp == 2) *reinterpret_cast<uint16_t*>(p) = uint16_t(v);
  else *reinterpret_cast<uint32_t*>(p) = v;
}

// Blends an 8-bit channel pair by alpha 0..255.
inline uint32_t Mix(uint32_t s, uint32_t d, uint32_t a) { return (s * a + d * (255 - a) + 127) / 255; }

}  // namespace

MemoryDevice::MemoryDevice(int width, int height, MemoryPixelFormat format) : GfxDevice(width, height) {
  ScreenFormat = format;
  FullPurple = TransparentColorOf(format);
  AllocateBackBuffer(width, height);
}

MemoryDevice::~MemoryDevice() {
  FreeAllTextureMaps();
  GRTFree(InvisibleBM.Pixels);
  InvisibleBM.Pixels = nullptr;
}

void MemoryDevice::AllocateBackBuffer(int w, int h) {
  if (w < 1) w = 1;
  if (h < 1) h = 1;
  GRTFree(InvisibleBM.Pixels);
  int bpp = BytesPerPixel(ScreenFormat);
  InvisibleBM.Width = w;
  InvisibleBM.Height = h;
  InvisibleBM.BytesPerRow = w * bpp;
  size_t bytes = size_t(w) * h * bpp;
  InvisibleBM.Pixels = static_cast<uint8_t*>(MustAlloc(bytes));
  std::memset(InvisibleBM.Pixels, 0, bytes);
  Width = w;
  Height = h;
  InitClippingRegion();
  RowTable.resize(h);
  for (int y = 0; y < h; ++y) RowTable[y] = InvisibleBM.Pixels + size_t(y) * InvisibleBM.BytesPerRow;
}

void MemoryDevice::ResizeToWidthHeight(int w, int h) { AllocateBackBuffer(w, h); }

void MemoryDevice::GetTextureFormatInfo(TextureMap* texture) {
  bool sixteen = BytesPerPixel(ScreenFormat) == 2;
  MemoryPixelFormat f = ScreenFormat;
  if (texture->Control && texture->Control->Has(TC_NEEDSALPHA)) f = sixteen ? MPF_ARGB4444 : MPF_ARGB8888;
  else if (texture->Control && texture->Control->Has(TC_PALETTED)) f = MPF_PAL8;
  texture->TexFormat = f;
  texture->SizeBytes = (unsigned long)texture->Width * texture->Height * BytesPerPixel(f);
}

void MemoryDevice::ClearScreen() { std::memset(InvisibleBM.Pixels, 0, size_t(InvisibleBM.BytesPerRow) * Height); }

void MemoryDevice::ClearRegion(float r, float g, float b, int x1, int y1, int x2, int y2) {
  // Corners limited to the clip first, so any int rectangle is safe.
  x1 = std::max(x1, clip_minx), y1 = std::max(y1, clip_miny);
  x2 = std::min(x2, clip_maxx), y2 = std::min(y2, clip_maxy);
  if (x2 < x1 || y2 < y1) return;
  Span s{x1, y1, x2 - x1 + 1, y2 - y1 + 1};
  uint32_t c = PackRGB(ScreenFormat, ToByte(r), ToByte(g), ToByte(b));
  int bpp = BytesPerPixel(ScreenFormat);
  for (int y = s.y; y < s.y + s.h; ++y) {
    uint8_t* p = RowTable[y] + size_t(s.x) * bpp;
    if (bpp == 2) {
      std::fill_n(reinterpret_cast<uint16_t*>(p), s.w, uint16_t(c));
    } else {
      std::fill_n(reinterpret_cast<uint32_t*>(p), s.w, c);
    }
  }
}

void MemoryDevice::DrawPixel(int x, int y, float r, float g, float b) { ClearRegion(r, g, b, x, y, x, y); }

#define FOR_EACH_PIXEL(x, y, w, h, expr)                 \
  do {                                                   \
    Span s_ = Clip(x, y, w, h);                          \
    if (s_.w <= 0 || s_.h <= 0) return;                  \
    MemoryPixelFormat f_ = ScreenFormat;                 \
    int bpp_ = BytesPerPixel(f_);                        \
    for (int yy_ = s_.y; yy_ < s_.y + s_.h; ++yy_) {     \
      uint8_t* p_ = RowTable[yy_] + size_t(s_.x) * bpp_; \
      for (int i_ = 0; i_ < s_.w; ++i_, p_ += bpp_) {    \
        uint32_t v_ = Get(p_, bpp_);                     \
        Put(p_, bpp_, expr(f_, v_));                     \
      }                                                  \
    }                                                    \
  } while (0)

void MemoryDevice::DarkenRect(int x, int y, int w, int h) { FOR_EACH_PIXEL(x, y, w, h, Darken50); }
void MemoryDevice::DarkenRect25Percent(int x, int y, int w, int h) { FOR_EACH_PIXEL(x, y, w, h, Darken25); }
void MemoryDevice::LightenRect(int x, int y, int w, int h) { FOR_EACH_PIXEL(x, y, w, h, Lighten); }

namespace {
// Copies the pixels of a w x h image at (x, y) that differ from key, within
// the span already clipped from it.
template <typename Pixel>
void ChromaBlit(uint8_t* const* rows, const Pixel* pixels, int stride, int x, int y, int sx, int sy, int sw, int sh,
                Pixel key) {
  for (int yy = sy; yy < sy + sh; ++yy) {
    const Pixel* src = pixels + size_t(yy - y) * stride + (sx - x);
    Pixel* dst = reinterpret_cast<Pixel*>(rows[yy]) + sx;
    for (int i = 0; i < sw; ++i)
      if (src[i] != key) dst[i] = src[i];
  }
}
}  // namespace

void MemoryDevice::ChromaBlit565(const uint16_t* pixels, int stride, int x, int y, int w, int h, uint16_t key) {
  if (BytesPerPixel(ScreenFormat) != 2) return;
  Span s = Clip(x, y, w, h);
  ChromaBlit(RowTable.data(), pixels, stride, x, y, s.x, s.y, s.w, s.h, key);
}

void MemoryDevice::ChromaBlit888(const uint32_t* pixels, int stride, int x, int y, int w, int h, uint32_t key) {
  if (BytesPerPixel(ScreenFormat) != 4) return;
  Span s = Clip(x, y, w, h);
  ChromaBlit(RowTable.data(), pixels, stride, x, y, s.x, s.y, s.w, s.h, key);
}

TextureMap* MemoryDevice::Ready(TextureMap* texture) {
  if (!texture) return nullptr;
  TextureMap* t = texture->Resolve();
  if (!t || !t->PullIntoMainMemory() || !t->Pixels || t->Width <= 0 || t->Height <= 0) return nullptr;
  return t;
}

// Writes one texel of t (already resident) over the screen pixel at p.
static inline void PutTexel(uint8_t* p, int bpp, MemoryPixelFormat screen, const TextureMap* t, int sx, int sy) {
  switch (t->TexFormat) {
    case MPF_RGB565:
    case MPF_RGB555: {
      uint16_t v = reinterpret_cast<const uint16_t*>(t->Pixels)[size_t(sy) * t->Width + sx];
      if (!(t->Flags & TEXTURE_HAS_TRANSPARENCY) || v != FullPurple) Put(p, bpp, v);
      return;
    }
    case MPF_RGB888_32: {
      uint32_t v = reinterpret_cast<const uint32_t*>(t->Pixels)[size_t(sy) * t->Width + sx];
      if (!(t->Flags & TEXTURE_HAS_TRANSPARENCY) || v != FullPurple) Put(p, bpp, v);
      return;
    }
    case MPF_PAL8: {
      uint32_t v = t->Palette[t->Pixels[size_t(sy) * t->Width + sx]];
      if (!(t->Flags & TEXTURE_HAS_TRANSPARENCY) || v != FullPurple) Put(p, bpp, v);
      return;
    }
    case MPF_ARGB4444: {
      uint32_t v = reinterpret_cast<const uint16_t*>(t->Pixels)[size_t(sy) * t->Width + sx];
      uint32_t a = (v >> 12) * 17;
      if (a == 0) return;
      uint8_t dr, dg, db;
      UnpackRGB(screen, Get(p, bpp), &dr, &dg, &db);
      uint32_t r = ((v >> 8) & 15) * 17, g = ((v >> 4) & 15) * 17, b = (v & 15) * 17;
      Put(p, bpp, PackRGB(screen, uint8_t(Mix(r, dr, a)), uint8_t(Mix(g, dg, a)), uint8_t(Mix(b, db, a))));
      return;
    }
    case MPF_ARGB8888: {
      uint32_t v = reinterpret_cast<const uint32_t*>(t->Pixels)[size_t(sy) * t->Width + sx];
      uint32_t a = v >> 24;
      if (a == 0) return;
      if (a == 255) {
        Put(p, bpp, v & 0xFFFFFF);
        return;
      }
      uint8_t dr, dg, db;
      UnpackRGB(screen, Get(p, bpp), &dr, &dg, &db);
      Put(p, bpp,
          PackRGB(screen, uint8_t(Mix((v >> 16) & 255, dr, a)), uint8_t(Mix((v >> 8) & 255, dg, a)),
                  uint8_t(Mix(v & 255, db, a))));
      return;
    }
    default: return;
  }
}

void MemoryDevice::CopyTMap(float fx, float fy, TextureMap* texture) {
  TextureMap* t = Ready(texture);
  if (!t) return;
  int x = ToCoord(fx), y = ToCoord(fy);
  Span s = Clip(x, y, t->Width, t->Height);
  if (s.w <= 0 || s.h <= 0) return;
  int bpp = BytesPerPixel(ScreenFormat);
  bool direct = t->TexFormat == ScreenFormat || (bpp == 4 && t->TexFormat == MPF_RGB888_32);
  if (direct) {
    bool keyed = t->Flags & TEXTURE_HAS_TRANSPARENCY;
    if (bpp == 2 && keyed) {
      ChromaBlit565(reinterpret_cast<const uint16_t*>(t->Pixels), t->Width, x, y, t->Width, t->Height,
                    uint16_t(FullPurple));
    } else if (bpp == 4 && keyed) {
      ChromaBlit888(reinterpret_cast<const uint32_t*>(t->Pixels), t->Width, x, y, t->Width, t->Height, FullPurple);
    } else {
      for (int yy = s.y; yy < s.y + s.h; ++yy)
        std::memcpy(RowTable[yy] + size_t(s.x) * bpp, t->Pixels + (size_t(yy - y) * t->Width + (s.x - x)) * bpp,
                    size_t(s.w) * bpp);
    }
    return;
  }
  for (int yy = s.y; yy < s.y + s.h; ++yy) {
    uint8_t* p = RowTable[yy] + size_t(s.x) * bpp;
    for (int i = 0; i < s.w; ++i, p += bpp) PutTexel(p, bpp, ScreenFormat, t, s.x - x + i, yy - y);
  }
}

void MemoryDevice::TmapBlit(float fx1, float fx2, float fy1, float fy2, float z, TextureMap* texture, int mode) {
  TextureMap* t = Ready(texture);
  if (!t) return;
  int x1 = ToCoord(fx1), x2 = ToCoord(fx2), y1 = ToCoord(fy1), y2 = ToCoord(fy2);
  int dw = x2 - x1, dh = y2 - y1;
  if (dw <= 0 || dh <= 0) return;
  if (dw == t->Width && dh == t->Height) {
    CopyTMap(float(x1), float(y1), t);
    return;
  }
  Span s = Clip(x1, y1, dw, dh);
  if (s.w <= 0 || s.h <= 0) return;
  int bpp = BytesPerPixel(ScreenFormat);
  // Source column of each destination column, computed once per call.
  std::vector<int> columns(s.w);
  for (int i = 0; i < s.w; ++i) columns[i] = int((long long)(s.x - x1 + i) * t->Width / dw);
  for (int yy = s.y; yy < s.y + s.h; ++yy) {
    int sy = int((long long)(yy - y1) * t->Height / dh);
    uint8_t* p = RowTable[yy] + size_t(s.x) * bpp;
    for (int i = 0; i < s.w; ++i, p += bpp) PutTexel(p, bpp, ScreenFormat, t, columns[i], sy);
  }
}

void MemoryDevice::CopyTMapTrans7525(float fx, float fy, TextureMap* texture) {
  TextureMap* t = Ready(texture);
  if (!t) return;
  int x = ToCoord(fx), y = ToCoord(fy);
  Span s = Clip(x, y, t->Width, t->Height);
  if (s.w <= 0 || s.h <= 0) return;
  int bpp = BytesPerPixel(ScreenFormat);
  // Draw the texture into a scratch row, then mix three parts texture with one
  // part background.
  std::vector<uint8_t> row(size_t(s.w) * bpp);
  for (int yy = s.y; yy < s.y + s.h; ++yy) {
    uint8_t* dst = RowTable[yy] + size_t(s.x) * bpp;
    std::memcpy(row.data(), dst, row.size());
    for (int i = 0; i < s.w; ++i) PutTexel(row.data() + size_t(i) * bpp, bpp, ScreenFormat, t, s.x - x + i, yy - y);
    for (int i = 0; i < s.w; ++i) {
      uint32_t before = Get(dst + size_t(i) * bpp, bpp), drawn = Get(row.data() + size_t(i) * bpp, bpp);
      if (before == drawn) continue;
      uint32_t quarter = Darken50(ScreenFormat, Darken50(ScreenFormat, before));
      Put(dst + size_t(i) * bpp, bpp, Darken25(ScreenFormat, drawn) + quarter);
    }
  }
}

void MemoryDevice::DarkenRectWithTransparency(float fx, float fy, TextureMap* texture) {
  TextureMap* t = Ready(texture);
  if (!t) return;
  int x = ToCoord(fx), y = ToCoord(fy);
  Span s = Clip(x, y, t->Width, t->Height);
  int bpp = BytesPerPixel(ScreenFormat);
  for (int yy = s.y; yy < s.y + s.h; ++yy) {
    uint8_t* p = RowTable[yy] + size_t(s.x) * bpp;
    for (int i = 0; i < s.w; ++i, p += bpp)
      if (!t->IsTransparentPixel(s.x - x + i, yy - y)) Put(p, bpp, Darken50(ScreenFormat, Get(p, bpp)));
  }
}

namespace {
// Calls put(pixel) for every lit pixel of an 8-bit glyph bitmap placed at
// (x, y) inside the clip rectangle; italic rows lean right by a pixel every
// four rows, counted from the bottom.
template <typename Put>
void ForEachLitPixel(uint8_t** rows, int bpp, int minx, int miny, int maxx, int maxy, const uint8_t* src, int stride,
                     int x, int y, int w, int h, bool italic, Put put) {
  for (int j = 0; j < h; ++j) {
    int yy = y + j;
    if (yy < miny || yy > maxy) continue;
    int shift = italic ? (h - 1 - j) / 4 : 0;
    const uint8_t* s = src + (ptrdiff_t)j * stride;
    int i0 = std::max(0, minx - (x + shift)), i1 = std::min(w, maxx - (x + shift) + 1);
    uint8_t* row = rows[yy];
    for (int i = i0; i < i1; ++i)
      if (s[i]) put(row + size_t(x + shift + i) * bpp);
  }
}
}  // namespace

void MemoryDevice::BlitColor(const uint8_t* src, int stride, int x, int y, int w, int h, uint8_t r, uint8_t g,
                             uint8_t b, bool italic) {
  uint32_t c = PackRGB(ScreenFormat, r, g, b);
  int bpp = BytesPerPixel(ScreenFormat);
  ForEachLitPixel(RowTable.data(), bpp, clip_minx, clip_miny, clip_maxx, clip_maxy, src, stride, x, y, w, h, italic,
                  [&](uint8_t* p) { Put(p, bpp, c); });
}

void MemoryDevice::BlitDarken(const uint8_t* src, int stride, int x, int y, int w, int h, bool italic) {
  int bpp = BytesPerPixel(ScreenFormat);
  ForEachLitPixel(RowTable.data(), bpp, clip_minx, clip_miny, clip_maxx, clip_maxy, src, stride, x, y, w, h, italic,
                  [&](uint8_t* p) { Put(p, bpp, Darken50(ScreenFormat, Get(p, bpp))); });
}

uint32_t MemoryDevice::RawPixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= InvisibleBM.Width || y >= InvisibleBM.Height) return 0;
  int bpp = BytesPerPixel(ScreenFormat);
  return Get(RowTable[y] + size_t(x) * bpp, bpp);
}

void MemoryDevice::ReadPixel(int x, int y, uint8_t* r, uint8_t* g, uint8_t* b) const {
  UnpackRGB(ScreenFormat, RawPixel(x, y), r, g, b);
}

int MemoryDevice::ScreenCapture(const char* path) { return WriteBackBufferPng(*this, path) ? 1 : 0; }

bool WriteBackBufferPng(const MemoryDevice& device, const char* path) {
  TrueColorBitmap image;
  image.Width = device.InvisibleBM.Width;
  image.Height = device.InvisibleBM.Height;
  image.RGB.resize(size_t(image.Width) * image.Height * 3);
  uint8_t* out = image.RGB.data();
  for (int y = 0; y < image.Height; ++y)
    for (int x = 0; x < image.Width; ++x, out += 3) device.ReadPixel(x, y, out, out + 1, out + 2);
  return WritePngFile(path, image);
}
