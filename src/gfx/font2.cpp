#include "gfx/font2.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "foundation/alloc.h"
#include "foundation/fail.h"
#include "foundation/log.h"
#include "foundation/mixed_string.h"
#include "foundation/print_format.h"
#include "foundation/runtime.h"
#include "gfx/font_face.h"
#include "gfx/gfx_device.h"
#include "gfx/texture.h"

uint8_t FontColor[3] = {255, 255, 255};
uint8_t SaveFontColor[3] = {255, 255, 255};
Font2* CurFont = nullptr;
uint8_t* GlyphBitmap = nullptr;

namespace {
int g_bitmapUsedWidth = 0;  // columns of the glyph bitmap that may hold lit pixels

void SetColor(uint8_t r, uint8_t g, uint8_t b) {
  FontColor[0] = r;
  FontColor[1] = g;
  FontColor[2] = b;
}

// The colour of a colour code letter, or false.
bool ColorOfCode(unsigned c, uint8_t rgb[3]) {
  static const struct {
    char code;
    uint8_t r, g, b;
  } kColors[] = {{'K', 0, 0, 0},     {'W', 255, 255, 255}, {'R', 255, 0, 0},     {'G', 0, 255, 0},
                 {'g', 0, 128, 0},   {'B', 0, 0, 255},     {'A', 128, 128, 128}, {'S', 192, 192, 255},
                 {'Y', 255, 255, 0}, {'P', 135, 0, 250},   {'C', 0, 255, 255}};
  for (const auto& k : kColors)
    if (unsigned(static_cast<unsigned char>(k.code)) == c) {
      rgb[0] = k.r, rgb[1] = k.g, rgb[2] = k.b;
      return true;
    }
  return false;
}

StartupRegistration g_fontExit(nullptr, FreeGlobalFontCrap);
}  // namespace

void FreeGlobalFontCrap() {
  GRTFree(GlyphBitmap);
  GlyphBitmap = nullptr;
  g_bitmapUsedWidth = 0;
}

// Reads a MixedString and lays it out, drawing (draw set) or measuring. One
// routine for both, so that measured sizes are what Print draws.
struct TextLayout {
  Font2* font;
  bool draw;
  int left, top;   // margin and first line top
  int maxWidth;    // wrap limit, or a huge value
  char* wrapText;  // text to wrap in place, or null

  // Pen and modes.
  int x = 0, y = 0;
  bool dropShadow = false, softShadow = false, italic = false, dim = false;
  // Measuring.
  int lineWidth = 0, widest = 0, lines = 1, halfLines = 0;
  long lastBlank = -1;   // byte offset of the last blank on this line
  int widthAtBlank = 0;  // line width before that blank
  int blankWidth = 0;
  // The pending run.
  uint32_t run[kMaxRunLength];
  int runLength = 0;

  void Flush() {
    if (runLength == 0) return;
    if (draw) x += DrawRunHere();
    runLength = 0;
  }

  int DrawRunHere();

  void Advance(int w) {
    lineWidth += w;
    if (!draw) x += w;
  }

  void CheckWrap() {
    if (lineWidth <= maxWidth || lastBlank < 0 || !wrapText) return;
    // A blank is 0x20 or the unit 0x0020 (low byte first): either way its
    // first byte becomes the line feed.
    wrapText[lastBlank] = 10;
    widest = std::max(widest, widthAtBlank);
    lineWidth -= widthAtBlank + blankWidth;
    ++lines;
    lastBlank = -1;
  }

  void Character(uint32_t c, long offset) {
    int w = font->CharWidth(c);
    if (c == ' ') {
      lastBlank = offset;
      widthAtBlank = lineWidth;
      blankWidth = w;
    }
    if (draw) {
      run[runLength++] = c;
      if (runLength == kMaxRunLength) Flush();
    }
    Advance(w);
    CheckWrap();
  }

  void LineBreak() { NewLine(font->LineHeight, lines); }
  void HalfLineBreak() { NewLine(font->LineHeight / 2, halfLines); }

  void NewLine(int advance, int& counter) {
    Flush();
    widest = std::max(widest, lineWidth);
    lineWidth = 0;
    lastBlank = -1;
    ++counter;
    x = left;
    y += advance;
  }

  void Dash();
  void Tick();
  void Symbol(int c);

  void Run(const char* text, size_t end);

  vec2 Size() const {
    vec2 v;
    v.x = float(std::max(widest, lineWidth));
    v.y = float(lines * font->LineHeight + halfLines * (font->LineHeight / 2));
    return v;
  }
};

int TextLayout::DrawRunHere() {
  int w = font->RenderRun(run, runLength);
  int h = std::min(font->LineHeight, kGlyphBitmapHeight);
  GfxDevice* d = CurGfxDevice;
  if (!d || w <= 0) return w;
  const uint8_t* src = GlyphBitmap;
  if (softShadow) {
    int s = font->SoftShadowSize;
    for (int dy = 0; dy < 2 * s; dy += s ? s : 1)
      for (int dx = 0; dx < 2 * s; dx += s ? s : 1)
        d->BlitDarken(src, kGlyphBitmapWidth, x + font->DropShadowX + dx, y + font->DropShadowY + dy, w, h, italic);
  }
  if (dropShadow) d->BlitDarken(src, kGlyphBitmapWidth, x + font->DropShadowX, y + font->DropShadowY, w, h, italic);
  d->BlitColor(src, kGlyphBitmapWidth, x, y, w, h, FontColor[0], FontColor[1], FontColor[2], italic);
  if (dim) d->DarkenRect25Percent(x, y + 2, w, h);
  return w;
}

void TextLayout::Dash() {
  Flush();
  int w = font->DashWidth();
  if (draw && CurGfxDevice) {
    int ly = y + font->LineHeight * 6 / 10;
    if (dropShadow || softShadow) CurGfxDevice->DarkenRect(x + font->DropShadowX, ly + font->DropShadowY, w, 1);
    CurGfxDevice->ClearRegion(FontColor[0], FontColor[1], FontColor[2], x, ly, x + w - 1, ly);
    if (dim) CurGfxDevice->DarkenRect25Percent(x, ly, w, 1);
    x += w;
  }
  Advance(w);
  CheckWrap();
}

// A tick: a short stroke down to the right, then a long one up to the right,
// drawn with three one-pixel lines (the long stroke doubled for weight).
void TextLayout::Tick() {
  Flush();
  int h = std::max(font->LineHeight, 6);
  int w = h / 2 + 1;
  if (draw && CurGfxDevice) {
    int bottom = y + h - h / 5 - 1;
    int short_ = std::max(2, w / 3);
    for (int i = 0; i <= short_; ++i) {
      CurGfxDevice->ClearRegion(0, 255, 0, x + i, bottom - short_ + i, x + i, bottom - short_ + i);
    }
    int tall = w - short_ - 1;
    for (int i = 0; i <= tall; ++i) {
      int px = x + short_ + i, py = bottom - i * 2;
      CurGfxDevice->ClearRegion(0, 255, 0, px, py - 1, px, py);
      CurGfxDevice->ClearRegion(0, 255, 0, px - 1, py, px - 1, py);
    }
    x += w;
  }
  Advance(w);
  CheckWrap();
}

void TextLayout::Symbol(int c) {
  TextureMap* t = font->SymbolTexture(c);
  if (!t) return;
  if (draw && CurGfxDevice) {
    int sy = y + (font->LineHeight - t->Height) / 2;
    CurGfxDevice->CopyTMap(float(x), float(sy), t);
    if (dim) CurGfxDevice->DarkenRect25Percent(x, sy, t->Width, t->Height);
    x += t->Width;
  }
  Advance(t->Width);
  CheckWrap();
}

void TextLayout::Run(const char* text, size_t end) {
  x = left;
  y = top;
  const char* cursor = text;
  int wide = 0;
  // Characters in either width, mode switches followed (MixedString).
  auto next = [&](uint32_t* c) -> bool {
    if (size_t(cursor - text) >= end) return false;
    *c = NextMixedChar(cursor, wide);
    return *c != 0;
  };
  uint32_t c;
  for (;;) {
    size_t at = size_t(cursor - text);
    if (!next(&c)) break;
    // The offset of the character itself, after any switch before it.
    if (c == ' ') at = size_t(cursor - text) - (wide ? 2 : 1);
    if (c == 10) {
      LineBreak();
      continue;
    }
    if (c == '{') {
      Flush();
      uint32_t s;
      while (next(&s) && s != '}') {
        if (!IsSymbolCharacter(s)) Fail("unrecognized symbol font char %d %x", int(s), unsigned(s));
        Symbol(int(s));
      }
      continue;
    }
    if (c != '@') {
      Character(wide ? c : Cp1252ToUnicode(uint8_t(c)), long(at));
      continue;
    }
    Flush();
    uint32_t code;
    if (!next(&code)) break;
    uint8_t rgb[3];
    if (ColorOfCode(code, rgb)) {
      SetColor(rgb[0], rgb[1], rgb[2]);
      continue;
    }
    switch (code) {
      case '@': Character('@', -1); break;
      case '{': Character('{', -1); break;  // a brace that opens no symbol group
      case 'q': Character('"', -1); break;
      case '[':
        std::memcpy(SaveFontColor, FontColor, 3);
        SetColor(0, 128, 0);
        break;
      case ']': std::memcpy(FontColor, SaveFontColor, 3); break;
      case 'Z':
        dropShadow = !dropShadow;
        softShadow = false;
        break;
      case 'z':
        softShadow = !softShadow;
        dropShadow = false;
        break;
      case 'i':
        italic = !italic;
        if (italic) {
          if (draw) x += font->LineHeight / 4;
          Advance(font->LineHeight / 4);
          CheckWrap();
        }
        break;
      case 's': dim = !dim; break;
      case 'H': {
        int w = std::max(1, font->SpaceWidth / 2);
        if (draw) x += w;
        Advance(w);
        CheckWrap();
        break;
      }
      case 'L': HalfLineBreak(); break;
      case '-': Dash(); break;
      case 'c': Tick(); break;
      default: break;
    }
  }
  Flush();
}

// The bytes of a MixedString that Print and measuring read: up to its
// terminator, or up to a last "{" that no "}" follows.
static size_t ReadableLength(const char* text) {
  const char* cursor = text;
  int wide = 0;
  long lastOpen = -1;
  bool closed = true, inGroup = false;
  for (;;) {
    const char* at = cursor;
    unsigned c = NextMixedChar(cursor, wide);
    if (c == 0) break;
    if (c == '@' && !inGroup) {
      // A code's letter is never a brace of a group ("@{" is a literal one).
      if (NextMixedChar(cursor, wide) == 0) break;
      continue;
    }
    if (c == '{') lastOpen = long(at - text), closed = false, inGroup = true;
    if (c == '}') closed = true, inGroup = false;
  }
  if (lastOpen >= 0 && !closed) return size_t(lastOpen);
  return StrBytes(text);
}

std::string LiteralText(const char* text) {
  std::string out;
  for (const char* p = text ? text : ""; *p; ++p) {
    if (*p == '@' || *p == '{') out += '@';
    out += *p;
  }
  return out;
}

// Font2 -----------------------------------------------------------------

Font2::Font2(const char* face, const char* file, int pitchAndFamily, int style, int width, int height) {
  CurFont = this;
  std::snprintf(FontFile, sizeof FontFile, "%s", file ? file : "");
  CellHeight = height;
  Style = style;
  faceName_ = face ? face : "";
  if (!GlyphBitmap) {
    GlyphBitmap = static_cast<uint8_t*>(MustAlloc(kGlyphBitmapWidth * kGlyphBitmapHeight));
    std::memset(GlyphBitmap, 0, kGlyphBitmapWidth * kGlyphBitmapHeight);
  }
  Handle = OpenFontFace(face, file, style, height > 0 ? height : 16);
  if (!Handle) Fail("Failed to create font resource %s fontname %s!!!", FontFile, face ? face : "");
  SpaceWidth = CharWidth(' ');
  LineHeight = Handle->ascent + Handle->descent;
  DropShadowX = DropShadowY = 1;
  SoftShadowSize = 2;
}

Font2::~Font2() {
  CloseFontFace(Handle);
  CloseFontFace(scaled_);
  if (CurFont == this) CurFont = nullptr;
}

const std::string& Font2::ResolvedFile() const { return Handle->file; }

int Font2::CharWidth(uint32_t code) { return Handle->Get(code).advance; }

int Font2::DashWidth() { return CharWidth('M'); }

void Font2::SetSymbolNameFormats(const char* format, const char* lowerFormat) {
  std::snprintf(SymbolNameFormat, sizeof SymbolNameFormat, "%s", format ? format : "");
  std::snprintf(LowerSymbolNameFormat, sizeof LowerSymbolNameFormat, "%s", lowerFormat ? lowerFormat : "");
}

TextureMap* Font2::SymbolTexture(int ch) {
  bool lower = ch >= 'a' && ch <= 'z';
  const char* format = lower ? LowerSymbolNameFormat : SymbolNameFormat;
  if (!format[0] || ch < 25 || ch > 128 || !CurGfxDevice) return nullptr;
  TextureMap*& slot = SymbolTextures[ch - 25];
  if (!slot) {
    char name[260];
    std::snprintf(name, sizeof name, format, ch);
    slot = CurGfxDevice->LoadTexture(name, 0);
  }
  return slot;
}

int Font2::RenderRun(const uint32_t* chars, int count) {
  CurFont = this;
  int rows = std::min(LineHeight, kGlyphBitmapHeight);
  if (g_bitmapUsedWidth > 0)
    for (int y = 0; y < kGlyphBitmapHeight; ++y) std::memset(GlyphBitmap + y * kGlyphBitmapWidth, 0, g_bitmapUsedWidth);
  int pen = 0, ascent = Handle->ascent;
  for (int i = 0; i < count && pen < kGlyphBitmapWidth; ++i) {
    const Glyph& g = Handle->Get(chars[i]);
    for (int gy = 0; gy < g.height; ++gy) {
      int by = ascent - g.top + gy;
      if (by < 0 || by >= rows) continue;
      uint8_t* row = GlyphBitmap + by * kGlyphBitmapWidth;
      const uint8_t* src = &g.bits[size_t(gy) * g.width];
      for (int gx = 0; gx < g.width; ++gx) {
        int bx = pen + g.left + gx;
        if (src[gx] && bx >= 0 && bx < kGlyphBitmapWidth) row[bx] = 255;
      }
    }
    pen += g.advance;
  }
  int width = std::min(pen, kGlyphBitmapWidth);
  auto line = [&](int by) {
    if (by >= 0 && by < rows) std::memset(GlyphBitmap + by * kGlyphBitmapWidth, 255, width);
  };
  if (Handle->underline) line(ascent + 1);
  if (Handle->strikeOut) line(ascent - ascent / 3);
  g_bitmapUsedWidth = std::min(kGlyphBitmapWidth, std::max(width + 8, pen + 8));
  return width;
}

void Font2::OutText(int x, int y, const char* text) {
  if (!text) return;
  TextLayout layout{this, true, x, y, 1 << 30, nullptr};
  size_t n = std::strlen(text);
  // Plain text: every character (no codes) goes into runs.
  int pen = x;
  uint32_t run[kMaxRunLength];
  int count = 0;
  auto flush = [&]() {
    if (!count) return;
    layout.x = pen;
    std::memcpy(layout.run, run, count * sizeof(uint32_t));
    layout.runLength = count;
    pen += layout.DrawRunHere();
    layout.runLength = 0;
    count = 0;
  };
  for (size_t i = 0; i < n; ++i) {
    run[count++] = Cp1252ToUnicode(static_cast<unsigned char>(text[i]));
    if (count == kMaxRunLength) flush();
  }
  flush();
}

void Font2::Print(int x, int y, const char* text) {
  CurFont = this;
  SetColor(255, 255, 255);
  if (!text) return;
  TextLayout layout{this, true, x, y, 1 << 30, nullptr};
  layout.Run(text, ReadableLength(text));
}

void Font2::PrintF(int x, int y, const char* format, ...) {
  char buffer[2048];
  va_list args;
  va_start(args, format);
  VSNPrintF(buffer, sizeof buffer, format, args);
  va_end(args);
  Print(x, y, buffer);
}

void Font2::PrintScaleF(int x, int y, float scale, const char* format, ...) {
  char buffer[2048];
  va_list args;
  va_start(args, format);
  VSNPrintF(buffer, sizeof buffer, format, args);
  va_end(args);
  int base = CellHeight > 0 ? CellHeight : LineHeight;
  int height = int(std::lround(double(base) * double(scale)));
  if (!(scale > 0) || height == base) return Print(x, y, buffer);
  height = std::clamp(height, 1, kGlyphBitmapHeight);
  if (height != scaledHeight_) {
    CloseFontFace(scaled_);
    scaled_ = OpenFontFace(faceName_.c_str(), FontFile, Style, height);
    scaledHeight_ = scaled_ ? height : 0;
  }
  if (!scaled_) return Print(x, y, buffer);
  // The layout reads the face and its metrics from the font: swap them in
  // for this one call.
  FontFace* normal = Handle;
  int lineHeight = LineHeight, spaceWidth = SpaceWidth;
  Handle = scaled_;
  LineHeight = scaled_->ascent + scaled_->descent;
  SpaceWidth = CharWidth(' ');
  Print(x, y, buffer);
  Handle = normal;
  LineHeight = lineHeight;
  SpaceWidth = spaceWidth;
}

vec2 Font2::TextSizeAndWrap(char* text, int maxWidth) {
  if (!text) return vec2{0, float(LineHeight)};
  TextLayout layout{this, false, 0, 0, maxWidth, text};
  layout.Run(text, ReadableLength(text));
  return layout.Size();
}

vec2 Font2::TextSize(const char* text) {
  if (!text) return vec2{0, float(LineHeight)};
  TextLayout layout{this, false, 0, 0, 1 << 30, nullptr};
  layout.Run(text, ReadableLength(text));
  return layout.Size();
}

int Font2::TextWidth(const char* text, float scale) { return int(TextSize(text).x * scale); }

float Font2::GetCenterX(const char* text) { return TextSize(text).x / 2; }

float Font2::GetCenterY(const char* text) { return TextSize(text).y / 2; }

void Font2::SetFontColor(uint8_t r, uint8_t g, uint8_t b) { SetColor(r, g, b); }

void Font2::SetDropShadow(int x, int y) {
  DropShadowX = uint8_t(x);
  DropShadowY = uint8_t(y);
}

void Font2::SetSoftShadowOffset(int n) { SoftShadowSize = uint8_t(n); }
