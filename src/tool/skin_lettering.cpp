#include "tool/skin_lettering.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <string>

#include "gfx/font_lookup.h"

namespace skin {

std::vector<float> Lettering(const char* face, const char* text, int height, int* outW, int* outH) {
  *outW = *outH = 0;
  std::vector<float> cov;
  FT_Library lib = nullptr;
  if (FT_Init_FreeType(&lib) != 0) return cov;
  std::string file;
  int index = 0;
  FindFontFile(face, 0, 0, &file, &index);
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

}  // namespace skin
