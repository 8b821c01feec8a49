// The texture control file "txtr.ctl": extra attributes for textures by name.
//
// Line-based text, upper-cased on reading; ";" starts a comment; the first
// token of a line is a keyword (other first words are ignored). TEXTURE
// opens the entry of a name (extension removed, at most 79 characters kept);
// the other keywords modify the open entry. For the 2-D device only ALIAS,
// PALETTED and NEEDSALPHA change what is drawn; the rest are parsed and kept
// for the 3-D renderers.
#pragma once

#include <cstddef>

enum TextureControlKeyword : int {
  TC_TEXTURE,
  TC_SCROLL,
  TC_ADDMODE,
  TC_TINT,
  TC_ALIAS,
  TC_TMU0,
  TC_TMU1,
  TC_TMUBOTH,
  TC_UNLIT,
  TC_NOSWRAP,
  TC_NOTWRAP,
  TC_BLOCKY,
  TC_TEXUSMODE,
  TC_ALTALPHA,
  TC_ROTATE,
  TC_PULSE,
  TC_NODITHER,
  TC_FRAMETIME,
  TC_ANIMFRAME,
  TC_ANIMCLOCK,
  TC_STOPANIM,
  TC_NEEDSALPHA,
  TC_ONEMIP,
  TC_FULLMIP,
  TC_COLORCYCLE,
  TC_HIGHCOLOR,
  TC_PALETTED,
  TC_CANBERGB,
  TC_CANBETEXTURE,
  TC_FIFTYFIFTY,
  TC_SHINY,
  TC_MODULATE,
  TC_MANUALSCROLL,
  TC_KeywordCount
};

// The keyword's text ("TEXTURE", ...), or null out of range.
const char* TextureControlKeywordName(int keyword);

constexpr int kTextureControlNameMax = 79;   // characters kept of names
constexpr int kTextureControlLineMax = 200;  // characters read of a line

struct TextureControl {
  TextureControl* Next = nullptr;
  char Name[kTextureControlNameMax + 1] = {};   // upper case, no extension
  char Alias[kTextureControlNameMax + 1] = {};  // empty: no alias
  char CanBeTexture[kTextureControlNameMax + 1] = {};
  float ScrollU = 0, ScrollV = 0;
  int Tint[4] = {};
  int Rotate = 0;
  unsigned long long Keywords = 0;     // bit per TextureControlKeyword seen on the entry
  float Values[TC_KeywordCount] = {};  // first number after a flag keyword, if any

  bool Has(TextureControlKeyword k) const { return (Keywords >> k) & 1; }
};

// The entries read so far, in order of their first TEXTURE line.
extern TextureControl* TCList;

// Reads a control file through the file layer; a missing file is not an
// error. Malformed entries stop the program (Fail) with their fixed texts.
void ReadTextureControlFile(const char* name);
// The same on text already in memory (tests, fuzzing).
void ReadTextureControlText(const char* data, size_t length);
// The entry for a texture name (any case, any extension, path ignored), or null.
TextureControl* FindTControl(const char* name);
// Forgets every entry.
void FreeTextureControls();
