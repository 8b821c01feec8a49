#include "gfx/texture.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>

#include "foundation/alloc.h"
#include "foundation/case_compare.h"
#include "foundation/fail.h"
#include "foundation/log.h"
#include "gfx/image_file.h"
#include "gfx/memory_device.h"
#include "gfx/texture_control_file.h"
#include "gfx/true_color_bitmap.h"

unsigned long TextureMap::CurLRUCtr = 0;
NoTgaHook notgahook = MissingTGAHook;
unsigned long MainMemTextureCacheUsed = 0;
unsigned long MainMemTextureCacheSize = 0;

namespace {
char PathHeadKill[260];
char PathReplace[260];
int AliasDepth = 0;  // nesting of alias loads under InitTexture
}  // namespace

void MissingTGAHook(TextureMap* texture) { Fail("Missing TGA file %s", texture->PathName); }

void CheckMissingFilename(TextureMap* texture) {
  for (char* p = texture->PathName; *p; ++p) *p = char(std::tolower(static_cast<unsigned char>(*p)));
  texture->Flags |= TEXTURE_MISSING;
}

void ChangePathBasename(const char* kill, const char* replace) {
  std::snprintf(PathHeadKill, sizeof PathHeadKill, "%s", kill ? kill : "");
  std::snprintf(PathReplace, sizeof PathReplace, "%s", replace ? replace : "");
  for (char* p = PathHeadKill; *p; ++p) {
    *p = char(std::toupper(static_cast<unsigned char>(*p)));
    if (*p == '/') *p = '\\';
  }
}

void ProcessFilename(const char* name, char* full, char* base) {
  std::string s(name ? name : "");
  for (char& c : s) {
    c = char(std::toupper(static_cast<unsigned char>(c)));
    if (c == '/') c = '\\';
  }
  if (PathHeadKill[0]) {
    size_t at = s.find(PathHeadKill);
    if (at != std::string::npos) s = PathReplace + s.substr(at + std::strlen(PathHeadKill));
  }
  std::snprintf(full, 260, "%s", s.c_str());
  const char* b = std::strrchr(full, '\\');
  if (!b) b = std::strrchr(full, '/');
  if (!b) b = std::strrchr(full, ':');
  std::snprintf(base, 260, "%s", b ? b + 1 : full);
}

// The name with the path rewriting applied, keeping the caller's case
// elsewhere, so that the file is found where the rewritten name points.
static std::string RewrittenName(const char* name) {
  std::string s(name ? name : "");
  if (!PathHeadKill[0]) return s;
  std::string upper = s;
  for (char& c : upper) {
    c = char(std::toupper(static_cast<unsigned char>(c)));
    if (c == '/') c = '\\';
  }
  size_t at = upper.find(PathHeadKill);
  if (at == std::string::npos) return s;
  return PathReplace + s.substr(at + std::strlen(PathHeadKill));
}

TextureMap::~TextureMap() {}

void TextureMap::SetOrigPathName(const char* name) {
  std::snprintf(OrigPathName, sizeof OrigPathName, "%s", name ? name : "");
}

TextureMap* TextureMap::Resolve() {
  TextureMap* t = this;
  // InitTexture refuses alias cycles; the bound only guards against a chain
  // built by hand.
  for (int i = 0; i < 32 && t->AliasOf; ++i) t = t->AliasOf;
  return t->AliasOf ? nullptr : t;
}

// Pixel conversion --------------------------------------------------------

namespace {
void BuildPalettedPixels(const TrueColorBitmap& image, MemoryPixelFormat palFormat, TextureMap* t) {
  size_t n = size_t(image.Width) * image.Height;
  bool alpha = image.HasAlpha();
  // Exact palette when the image has at most 255 colours (index 255 is kept
  // for the transparent colour); otherwise a 6 x 7 x 6 colour cube.
  std::map<uint32_t, int> colours;
  bool exact = true;
  for (size_t i = 0; i < n && exact; ++i) {
    if (alpha && image.Alpha[i] == 0) continue;
    const uint8_t* c = &image.RGB[i * 3];
    colours.emplace(uint32_t(c[0]) << 16 | c[1] << 8 | c[2], 0);
    if (colours.size() > 255) exact = false;
  }
  t->Palette = static_cast<uint32_t*>(MustAlloc(256 * sizeof(uint32_t)));
  for (int i = 0; i < 256; ++i) t->Palette[i] = FullPurple;
  if (exact) {
    int index = 0;
    for (auto& [rgb, slot] : colours) {
      slot = index;
      t->Palette[index++] = ConvertTexel(palFormat, uint8_t(rgb >> 16), uint8_t(rgb >> 8), uint8_t(rgb), 255, false);
    }
  } else {
    for (int r = 0; r < 6; ++r)
      for (int g = 0; g < 7; ++g)
        for (int b = 0; b < 6; ++b)
          t->Palette[r * 42 + g * 6 + b] =
              ConvertTexel(palFormat, uint8_t(r * 51), uint8_t(g * 255 / 6), uint8_t(b * 51), 255, false);
  }
  for (size_t i = 0; i < n; ++i) {
    const uint8_t* c = &image.RGB[i * 3];
    uint8_t index;
    if (alpha && image.Alpha[i] == 0) {
      index = 255;
    } else if (exact) {
      index = uint8_t(colours[uint32_t(c[0]) << 16 | c[1] << 8 | c[2]]);
    } else {
      index = uint8_t(((c[0] + 25) / 51) * 42 + ((c[1] * 6 + 127) / 255) * 6 + (c[2] + 25) / 51);
    }
    t->Pixels[i] = index;
  }
}
}  // namespace

void ConvertBitmapToTexture(const TrueColorBitmap& image, MemoryPixelFormat format, MemoryPixelFormat palFormat,
                            TextureMap* t) {
  t->Width = image.Width;
  t->Height = image.Height;
  t->TexFormat = format;
  int bpp = BytesPerPixel(format);
  size_t n = size_t(image.Width) * image.Height;
  t->SizeBytes = (unsigned long)(n * bpp);
  GRTFree(t->Pixels);
  GRTFree(t->Palette);
  t->Palette = nullptr;
  t->Pixels = static_cast<uint8_t*>(MustAlloc(n * bpp > 0 ? n * bpp : 1));
  bool alpha = image.HasAlpha();
  bool transparent = false;
  if (format == MPF_PAL8) {
    BuildPalettedPixels(image, palFormat, t);
    for (size_t i = 0; i < n && !transparent; ++i) transparent = t->Palette[t->Pixels[i]] == FullPurple;
  } else {
    uint32_t key = format == MPF_ARGB4444 || format == MPF_ARGB8888 ? 0 : TransparentColorOf(format);
    for (size_t i = 0; i < n; ++i) {
      const uint8_t* c = &image.RGB[i * 3];
      uint32_t v = ConvertTexel(format, c[0], c[1], c[2], alpha ? image.Alpha[i] : 255, alpha);
      bool clear = key ? v == key : (format == MPF_ARGB4444 ? (v >> 12) == 0 : (v >> 24) == 0);
      transparent |= clear;
      if (bpp == 2) reinterpret_cast<uint16_t*>(t->Pixels)[i] = uint16_t(v);
      else reinterpret_cast<uint32_t*>(t->Pixels)[i] = v;
    }
  }
  if (transparent) t->Flags |= TEXTURE_HAS_TRANSPARENCY;
  else t->Flags &= ~TEXTURE_HAS_TRANSPARENCY;
}

// MemoryTextureMap ------------------------------------------------------

MemoryTextureMap::MemoryTextureMap(const char* path, unsigned long flags) : CreationFlags(flags) {
  std::snprintf(PathName, sizeof PathName, "%s", path ? path : "");
  SetOrigPathName(path);
}

MemoryTextureMap::~MemoryTextureMap() {
  ReleasePixels();
  GRTFree(Palette);
  Palette = nullptr;
}

void MemoryTextureMap::ReleasePixels() {
  if (!Pixels) return;
  GRTFree(Pixels);
  Pixels = nullptr;
  MainMemTextureCacheUsed -= std::min(MainMemTextureCacheUsed, SizeBytes);
}

void MemoryTextureMap::ReplaceTexture(void* pixels) {
  if (Pixels && pixels) std::memcpy(Pixels, pixels, SizeBytes);
}

TextureMap* MemoryTextureMap::FindMainMemoryReplacementCandidate() {
  TextureMap* best = nullptr;
  for (TextureMap* t = GfxDevice::TextureList; t; t = t->NextTexture)
    if (t != this && t->Pixels && !t->IsPermanent() && !t->AliasOf && (t->Flags & TEXTURE_FROM_BITMAP) &&
        (!best || t->LRUStamp < best->LRUStamp))
      best = t;
  return best;
}

// Decodes the image and converts it; a missing image becomes 1 by 1 and
// transparent (after the hook, which stops the program by default).
int MemoryTextureMap::FetchIntoNewMainMemory() {
  TrueColorBitmap image;
  if (!(Flags & TEXTURE_MISSING)) {
    TrueColorBitmap decoded(OrigPathName, 0);
    image = std::move(decoded);
    if (image.Empty()) {
      notgahook(this);
      Flags |= TEXTURE_MISSING;
    }
  }
  if (Flags & TEXTURE_MISSING) {
    image.Clear();
    image.Width = image.Height = 1;
    image.RGB = {255, 0, 255};
    image.Alpha = {0};
  }
  // Make room under the budget before taking the memory.
  Width = image.Width;
  Height = image.Height;
  if (CurGfxDevice) CurGfxDevice->GetTextureFormatInfo(this);
  if (MainMemTextureCacheSize) {
    bool logged = false;
    while (MainMemTextureCacheUsed + SizeBytes > MainMemTextureCacheSize) {
      TextureMap* victim = FindMainMemoryReplacementCandidate();
      if (!victim) break;
      if (!logged) Log("main memory garbage collect");
      logged = true;
      static_cast<MemoryTextureMap*>(victim)->ReleasePixels();
    }
  }
  MemoryPixelFormat format = TexFormat != MPF_None ? TexFormat : GfxDevice::ScreenFormat;
  ConvertBitmapToTexture(image, format, GfxDevice::ScreenFormat, this);
  Flags |= TEXTURE_FROM_BITMAP;
  MainMemTextureCacheUsed += SizeBytes;
  return 1;
}

int MemoryTextureMap::PullIntoMainMemory() {
  LRUStamp = ++CurLRUCtr;
  if (Pixels) return 1;
  if (AliasOf) return 0;
  return FetchIntoNewMainMemory();
}

bool MemoryTextureMap::IsTransparentPixel(int x, int y) {
  if (x < 0 || y < 0 || x >= Width || y >= Height || !PullIntoMainMemory()) return true;
  size_t i = size_t(y) * Width + x;
  switch (TexFormat) {
    case MPF_RGB565:
    case MPF_RGB555: return reinterpret_cast<uint16_t*>(Pixels)[i] == FullPurple;
    case MPF_ARGB4444: return (reinterpret_cast<uint16_t*>(Pixels)[i] >> 12) == 0;
    case MPF_ARGB8888: return (reinterpret_cast<uint32_t*>(Pixels)[i] >> 24) == 0;
    case MPF_PAL8: return Palette[Pixels[i]] == FullPurple;
    default: return reinterpret_cast<uint32_t*>(Pixels)[i] == FullPurple;
  }
}

// Loading by name -------------------------------------------------------

namespace {
// full and base as ProcessFilename gave them (the path rewrite applied once).
void SetName(TextureMap* t, const char* full, const char* base) {
  if (std::strlen(base) > size_t(kTextureNameMax)) Fail("texture name %s is longer than 13 characters", base);
  std::snprintf(t->Name, sizeof t->Name, "%s", base);
  std::snprintf(t->PathName, sizeof t->PathName, "%s", full);
}

void InitTexture(MemoryTextureMap* t, const char* full, const char* base) {
  t->NextTexture = GfxDevice::TextureList;
  GfxDevice::TextureList = t;
  t->LRUStamp = ++TextureMap::CurLRUCtr;
  SetName(t, full, base);
  // A skin directory overrides the file of the same base name.
  if (GfxDevice::SkinDirName[0]) {
    std::string skin = std::string(GfxDevice::SkinDirName) + "/" + t->Name;
    if (ImageFileExists(skin.c_str())) t->SetOrigPathName(skin.c_str());
  }
  t->Control = FindTControl(t->Name);
  // A PNG of the same name is preferred.
  std::string png = ReplaceExtension(t->OrigPathName, ".png");
  if (png != t->OrigPathName && ImageFileExists(png.c_str())) t->SetOrigPathName(png.c_str());
  if (t->Control && t->Control->Alias[0]) {
    if (AliasDepth > 16) Fail("can't find texture %s", t->Control->Alias);
    ++AliasDepth;
    TextureMap* alias = CurGfxDevice ? CurGfxDevice->LoadTexture(t->Control->Alias, 0) : nullptr;
    --AliasDepth;
    // An alias that leads back to this texture would draw nothing forever.
    for (TextureMap* a = alias; a; a = a->AliasOf)
      if (a == t) alias = nullptr;
    if (!alias) Fail("can't find texture %s", t->Control->Alias);
    t->AliasOf = alias;
    TextureMap* r = t->Resolve();
    if (r) {
      t->Width = r->Width;
      t->Height = r->Height;
      t->Flags |= r->Flags & TEXTURE_HAS_TRANSPARENCY;
    }
    return;
  }
  t->FetchIntoNewMainMemory();
}
}  // namespace

TextureMap* MemoryDevice::LoadTexture(const char* name, unsigned long flags) {
  if (!name) return nullptr;
  char full[260], base[260];
  ProcessFilename(name, full, base);
  for (TextureMap* t = TextureList; t; t = t->NextTexture) {
    if (CaseCompare(t->Name, base) != 0) continue;
    TextureMap* last = t;
    while (last->NextFrame) last = last->NextFrame;
    last->PullIntoMainMemory();
    return t;
  }
  MemoryTextureMap* t = new MemoryTextureMap(full, flags);
  t->SetOrigPathName(RewrittenName(name).c_str());
  InitTexture(t, full, base);
  return t;
}

TextureMap* MemoryDevice::AllocateTexture(int width, int height, MemoryPixelFormat format) {
  if (width <= 0 || height <= 0) return nullptr;
  MemoryTextureMap* t = new MemoryTextureMap("", 0);
  t->Width = width;
  t->Height = height;
  t->TexFormat = format == MPF_None ? ScreenFormat : format;
  t->SizeBytes = (unsigned long)width * height * BytesPerPixel(t->TexFormat);
  t->Pixels = static_cast<uint8_t*>(MustAlloc(t->SizeBytes));
  std::memset(t->Pixels, 0, t->SizeBytes);
  t->Permanent = true;
  t->NextTexture = TextureList;
  TextureList = t;
  MainMemTextureCacheUsed += t->SizeBytes;
  return t;
}

void MemoryDevice::SetTextureCacheAttributes(unsigned long size, int mode) {
  MainMemTextureCacheSize = size;
  Log("Texture cache size set to %luK\n", size / 1024);
}

void MemoryDevice::FreeTextureMaps() {
  for (TextureMap* t = TextureList; t; t = t->NextTexture)
    if (!t->IsPermanent() && !t->AliasOf) static_cast<MemoryTextureMap*>(t)->ReleasePixels();
}

void MemoryDevice::FreeAllTextureMaps() {
  TextureMap* t = TextureList;
  TextureList = nullptr;
  while (t) {
    TextureMap* next = t->NextTexture;
    delete t;
    t = next;
  }
  MainMemTextureCacheUsed = 0;
}

void MemoryDevice::ReloadMissingTexture(TextureMap* texture) {
  if (!texture || !(texture->Flags & TEXTURE_MISSING)) return;
  auto* m = static_cast<MemoryTextureMap*>(texture);
  m->ReleasePixels();
  m->Flags &= ~(TEXTURE_MISSING | TEXTURE_HAS_TRANSPARENCY);
  m->FetchIntoNewMainMemory();
}
