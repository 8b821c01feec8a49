// The FreeType side of Font2: finding the face (a file beside the program or
// fontconfig's match for the face name), sizing it to a cell height, and a
// cache of rendered one-bit glyphs. Internal to gfx.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

struct Glyph {
  int advance = 0;        // pixels
  int left = 0, top = 0;  // bitmap offset from the pen, top above the baseline
  int width = 0, height = 0;
  std::vector<uint8_t> bits;  // width * height bytes, 0 or 1
};

struct FontFace {
  void* face = nullptr;         // FT_Face
  std::string file;             // the file FreeType read
  int ascent = 0, descent = 0;  // pixels; ascent + descent is the cell height
  bool emboldenOutlines = false, slantOutlines = false;
  bool underline = false, strikeOut = false;
  bool unicodeMap = true;  // false: the face maps Windows-1252 codes (raster fonts)
  const Glyph& Get(uint32_t code);

 private:
  Glyph ascii_[256];
  bool asciiReady_[256] = {};
  std::unordered_map<uint32_t, Glyph> others_;
  void Render(uint32_t code, Glyph* out);
};

// Opens the face: the file (as spelled, or in lower case) in the current
// directory when FreeType reads it, else fontconfig's match for the face name
// with the style. Null when neither gives a font.
FontFace* OpenFontFace(const char* faceName, const char* file, int style, int height);
void CloseFontFace(FontFace* face);
// The Unicode character of a single-byte (Windows-1252) code, and back (0
// for characters outside the code page).
uint32_t Cp1252ToUnicode(uint8_t c);
uint32_t UnicodeToCp1252(uint32_t u);
