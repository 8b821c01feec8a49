// Fonts and text drawing. A Font2 renders runs of up to 128 characters into
// the shared 1600 by 64 glyph bitmap and copies its lit pixels into the back
// buffer of CurGfxDevice in the current colour, with optional shadows,
// italics and dimming.
//
// The face: a font file of the given name in the current directory is used
// when FreeType can read it (it reads Windows bitmap fonts as well as
// TrueType); otherwise fontconfig resolves the face name (for example to
// DejaVu Sans). The font is sized so that its cell (ascent plus descent) is
// the height argument.
//
// Text is a MixedString: single bytes (Windows-1252) until byte 1 switches to
// two-byte characters (high byte first) and back; byte 10 breaks the line.
// Inline codes start with "@" (colours "@K" ... "@C", "@[" "@]", "@Z" drop
// shadow, "@z" soft shadow, "@i" italics, "@s" dimming, "@H" half blank,
// "@L" half line, "@-" dash, "@c" tick, "@@", "@q", and "@{" for a brace
// that opens no group); characters between "{"
// and "}" are symbol images when the font has a symbol name format.
//
// GUI thread only: the glyph bitmap and the colour are shared by all fonts.
#pragma once

#include <cstdint>
#include <string>

#include "gfx/vec2.h"

class TextureMap;
struct FontFace;

constexpr int kGlyphBitmapWidth = 1600;
constexpr int kGlyphBitmapHeight = 64;
constexpr int kMaxRunLength = 128;

class Font2 {
 public:
  Font2(const char* face, const char* file, int pitchAndFamily, int style, int width, int height);
  ~Font2();
  Font2(const Font2&) = delete;
  Font2& operator=(const Font2&) = delete;

  // Draws text with its top-left corner at (x, y). The colour starts white and
  // shadows, italics and dimming start off in every call. Text with a "{" that
  // no "}" follows is drawn only up to its last "{".
  void Print(int x, int y, const char* text);
  // Formats with VSNPrintF (positional arguments, letters c, d and s) into
  // 2048 bytes, truncating, and prints.
  void PrintF(int x, int y, const char* format, ...);
  // PrintF at scale times the cell height: the face is rendered at that size
  // (crisp, not stretched pixels), up to the glyph bitmap's 64 rows. The
  // scaled face is kept for the next call with the same size.
  void PrintScaleF(int x, int y, float scale, const char* format, ...);
  // Width and height of text laid out as Print lays it out. Where a line grows
  // wider than maxWidth, its last blank is replaced by a line break in text
  // (two bytes in two-byte mode); a word wider than maxWidth stays whole.
  vec2 TextSizeAndWrap(char* text, int maxWidth);
  // TextSizeAndWrap with no width limit (never changes text).
  vec2 TextSize(const char* text);
  int TextWidth(const char* text, float scale);
  float GetCenterX(const char* text);
  float GetCenterY(const char* text);
  // The colour OutText draws in; Print resets it to white.
  void SetFontColor(uint8_t r, uint8_t g, uint8_t b);
  void SetDropShadow(int x, int y);
  void SetSoftShadowOffset(int n);
  // Draws one plain run (no codes) in the current colour.
  void OutText(int x, int y, const char* text);

  // Symbol images: printf formats turning a symbol character into a texture
  // name (LowerSymbolNameFormat for a to z). Empty: symbols are skipped.
  void SetSymbolNameFormats(const char* format, const char* lowerFormat);

  // Fields.
  char FontFile[260] = {};
  uint32_t Reserved = 0;
  int CellHeight = 0;
  int SpaceWidth = 0;
  int Style = 0;  // bit 0 bold, 1 italic, 2 underline, 3 strike-out
  int LineHeight = 0;
  uint8_t DropShadowX = 1, DropShadowY = 1;
  uint8_t SoftShadowSize = 2;
  TextureMap* SymbolTextures[104] = {};  // characters 25 to 128
  char SymbolNameFormat[64] = {};
  char LowerSymbolNameFormat[64] = {};
  FontFace* Handle = nullptr;

  // The file FreeType actually read (for the log and tests).
  const std::string& ResolvedFile() const;
  // Pixel advance of one character code (Unicode) in this font.
  int CharWidth(uint32_t code);
  int DashWidth();

 private:
  friend struct TextLayout;
  // Renders a run of Unicode characters into the glyph bitmap from column 0;
  // returns its width in pixels (clipped to the bitmap).
  int RenderRun(const uint32_t* chars, int count);
  void DrawRun(int x, int y, const uint32_t* chars, int count);
  TextureMap* SymbolTexture(int ch);

  std::string faceName_;
  FontFace* scaled_ = nullptr;  // the face at scaledHeight_, for PrintScaleF
  int scaledHeight_ = 0;
};

// The shared text state.
extern uint8_t FontColor[3];
extern uint8_t SaveFontColor[3];
extern Font2* CurFont;
// The shared glyph bitmap, kGlyphBitmapWidth bytes a row, rows top to bottom;
// a non-zero byte is a lit pixel.
extern uint8_t* GlyphBitmap;
// The characters a symbol group ("{...}") may hold; any other stops the
// program when drawn.
inline bool IsSymbolCharacter(unsigned c) { return c >= 32 && c <= 128; }

// Text from outside (typed, pasted, file names) made safe to Print as it
// stands: "@" becomes "@@" and "{" becomes "@{", so no part of it is read as
// a text code or a symbol group. Single-byte text only.
std::string LiteralText(const char* text);

// Releases the shared glyph bitmap and FreeType (run at exit).
void FreeGlobalFontCrap();
