#include "gfx/font_lookup.h"

#include <fontconfig/fontconfig.h>

bool FindFontFile(const char* faceName, int style, int pixelSize, std::string* file, int* index) {
  if (!FcInit()) return false;
  FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(faceName && *faceName ? faceName : "sans"));
  if (!pattern) return false;
  if (pixelSize > 0) FcPatternAddDouble(pattern, FC_PIXEL_SIZE, pixelSize);
  if (style & 1) FcPatternAddInteger(pattern, FC_WEIGHT, FC_WEIGHT_BOLD);
  if (style & 2) FcPatternAddInteger(pattern, FC_SLANT, FC_SLANT_ITALIC);
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  FcPatternDestroy(pattern);
  if (!match) return false;
  FcChar8* path = nullptr;
  bool ok = FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch && path;
  if (ok) {
    *file = reinterpret_cast<const char*>(path);
    if (FcPatternGetInteger(match, FC_INDEX, 0, index) != FcResultMatch) *index = 0;
  }
  FcPatternDestroy(match);
  return ok;
}
