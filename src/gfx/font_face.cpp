#include "gfx/font_face.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "foundation/log.h"
#include "gfx/font_lookup.h"
#include "gfx/image_file.h"

namespace {
FT_Library g_library = nullptr;

bool Library() {
  if (!g_library && FT_Init_FreeType(&g_library) != 0) g_library = nullptr;
  return g_library != nullptr;
}

// Sizes the face so its cell is height pixels: scalable faces by their real
// ascender-to-descender extent, bitmap faces by the nearest strike.
bool SizeFace(FT_Face face, int height, FontFace* out) {
  if (FT_IS_SCALABLE(face)) {
    FT_Size_RequestRec req{FT_SIZE_REQUEST_TYPE_REAL_DIM, 0, FT_Long(height) * 64, 0, 0};
    if (FT_Request_Size(face, &req) != 0) return false;
    int asc = int(std::lround(face->size->metrics.ascender / 64.0));
    out->ascent = asc;
    out->descent = height - asc;
    return true;
  }
  if (face->num_fixed_sizes <= 0) return false;
  int best = 0;
  for (int i = 1; i < face->num_fixed_sizes; ++i)
    if (std::abs(face->available_sizes[i].height - height) < std::abs(face->available_sizes[best].height - height))
      best = i;
  if (FT_Select_Size(face, best) != 0) return false;
  out->ascent = int(face->size->metrics.ascender >> 6);
  int h = int(face->size->metrics.height >> 6);
  if (h <= 0) h = face->available_sizes[best].height;
  out->descent = h - out->ascent;
  return true;
}

// A face from a file: for files with several faces (bitmap font files hold
// one per size) the face whose strike is nearest the height.
FT_Face OpenFile(const std::string& path, long index, int height) {
  FT_Face face = nullptr;
  if (FT_New_Face(g_library, path.c_str(), index, &face) != 0) return nullptr;
  if (index == 0 && face->num_faces > 1 && !FT_IS_SCALABLE(face)) {
    long count = face->num_faces, bestIndex = 0;
    int bestDiff = face->num_fixed_sizes ? std::abs(face->available_sizes[0].height - height) : 1 << 30;
    for (long i = 1; i < count; ++i) {
      FT_Face other = nullptr;
      if (FT_New_Face(g_library, path.c_str(), i, &other) != 0) continue;
      int diff = other->num_fixed_sizes ? std::abs(other->available_sizes[0].height - height) : 1 << 30;
      if (diff < bestDiff) bestDiff = diff, bestIndex = i;
      FT_Done_Face(other);
    }
    if (bestIndex != 0) {
      FT_Done_Face(face);
      if (FT_New_Face(g_library, path.c_str(), bestIndex, &face) != 0) return nullptr;
    }
  }
  return face;
}

}  // namespace

uint32_t Cp1252ToUnicode(uint8_t c) {
  static const uint16_t k80[32] = {0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                   0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x8D,   0x017D, 0x8F,
                                   0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                   0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178};
  return c >= 0x80 && c < 0xA0 ? k80[c - 0x80] : c;
}

uint32_t UnicodeToCp1252(uint32_t u) {
  if (u < 0x80 || (u >= 0xA0 && u < 0x100)) return u;
  for (uint32_t c = 0x80; c < 0xA0; ++c)
    if (Cp1252ToUnicode(uint8_t(c)) == u) return c;
  return 0;
}

FontFace* OpenFontFace(const char* faceName, const char* file, int style, int height) {
  if (!Library() || height <= 0) return nullptr;
  FT_Face face = nullptr;
  std::string used;
  std::string local = file && *file ? FindImageFile(file) : "";
  if (!local.empty()) {
    face = OpenFile(local, 0, height);
    if (face) used = local;
    else Log("AddFontResource in font2.cpp failed loading %s", file);
  }
  if (!face) {
    std::string path;
    int index = 0;
    if (FindFontFile(faceName, style, height, &path, &index)) {
      face = OpenFile(path, index, height);
      if (face) used = path;
    }
  }
  if (!face) return nullptr;
  FontFace* out = new FontFace;
  out->face = face;
  out->file = used;
  if (!SizeFace(face, height, out)) {
    FT_Done_Face(face);
    delete out;
    return nullptr;
  }
  // Raster font files carry a code-page map rather than a Unicode one.
  if (FT_Select_Charmap(face, FT_ENCODING_UNICODE) != 0 && face->num_charmaps > 0) {
    FT_Set_Charmap(face, face->charmaps[0]);
    out->unicodeMap = false;
  }
  out->emboldenOutlines = (style & 1) && !(face->style_flags & FT_STYLE_FLAG_BOLD);
  out->slantOutlines = (style & 2) && !(face->style_flags & FT_STYLE_FLAG_ITALIC);
  out->underline = style & 4;
  out->strikeOut = style & 8;
  if (out->slantOutlines) {
    FT_Matrix shear{0x10000, 0x3400, 0, 0x10000};
    FT_Set_Transform(face, &shear, nullptr);
  }
  return out;
}

void CloseFontFace(FontFace* face) {
  if (!face) return;
  if (face->face) FT_Done_Face(static_cast<FT_Face>(face->face));
  delete face;
}

const Glyph& FontFace::Get(uint32_t code) {
  if (code < 256) {
    if (!asciiReady_[code]) {
      Render(code, &ascii_[code]);
      asciiReady_[code] = true;
    }
    return ascii_[code];
  }
  auto it = others_.find(code);
  if (it != others_.end()) return it->second;
  Glyph& g = others_[code];
  Render(code, &g);
  return g;
}

void FontFace::Render(uint32_t code, Glyph* out) {
  *out = Glyph();
  FT_Face f = static_cast<FT_Face>(face);
  FT_UInt index = FT_Get_Char_Index(f, unicodeMap ? code : UnicodeToCp1252(code));
  if (FT_Load_Glyph(f, index, FT_LOAD_TARGET_MONO) != 0) return;
  FT_GlyphSlot slot = f->glyph;
  if (slot->format == FT_GLYPH_FORMAT_OUTLINE && emboldenOutlines) FT_Outline_Embolden(&slot->outline, 64);
  if (slot->format != FT_GLYPH_FORMAT_BITMAP && FT_Render_Glyph(slot, FT_RENDER_MODE_MONO) != 0) return;
  out->advance = int((slot->advance.x + 32) >> 6) + (emboldenOutlines ? 1 : 0);
  out->left = slot->bitmap_left;
  out->top = slot->bitmap_top;
  const FT_Bitmap& b = slot->bitmap;
  out->width = int(b.width);
  out->height = int(b.rows);
  out->bits.assign(size_t(out->width) * out->height, 0);
  for (int y = 0; y < out->height; ++y) {
    const unsigned char* row = b.buffer + (ptrdiff_t)y * b.pitch;
    for (int x = 0; x < out->width; ++x) {
      bool on = b.pixel_mode == FT_PIXEL_MODE_MONO ? (row[x >> 3] >> (7 - (x & 7))) & 1 : row[x] >= 128;
      out->bits[size_t(y) * out->width + x] = on;
    }
  }
}
