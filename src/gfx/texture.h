// Textures: named images converted once into the screen's pixel format and
// kept for the whole run. LoadTexture (on the device) finds a texture by its
// base name or makes and initialises a new one; each file is decoded once.
#pragma once

#include <cstdint>

#include "gfx/pixel_format.h"

struct TextureControl;
class TrueColorBitmap;

enum : unsigned long {
  TEXTURE_HAS_TRANSPARENCY = 1u << 0,  // some pixels are the transparent colour
  TEXTURE_FROM_BITMAP = 1u << 7,       // built from an image file
  TEXTURE_MISSING = 1u << 8,           // no image: a 1 by 1 transparent texture
};

constexpr int kTextureNameMax = 13;  // characters of a base name

class TextureMap {
 public:
  TextureMap* NextTexture = nullptr;  // TextureList link
  uint8_t* Pixels = nullptr;          // in TexFormat; null while not resident
  TextureMap* NextFrame = nullptr;
  unsigned long LRUStamp = 0;
  unsigned long SizeBytes = 0;
  char Name[kTextureNameMax + 1] = {};  // base name, upper case
  char PathName[260] = {};              // upper case, "\" separators
  int Width = 0, Height = 0;
  MemoryPixelFormat TexFormat = MPF_None;
  unsigned long Flags = 0;
  TextureControl* Control = nullptr;
  // Not in the image file: the palette of a PALETTED texture, in screen format.
  uint32_t* Palette = nullptr;
  // The name as the caller spelled it, used to find the file on file systems
  // that tell case apart.
  char OrigPathName[260] = {};
  // An ALIAS entry: this texture draws as that one.
  TextureMap* AliasOf = nullptr;
  bool Permanent = false;

  static unsigned long CurLRUCtr;

  TextureMap() = default;
  TextureMap(const TextureMap&) = delete;
  TextureMap& operator=(const TextureMap&) = delete;

  virtual void Init() {}
  virtual int PullIntoTextureMemory(int) { return 0; }
  virtual TextureMap* FindFriendTexture() { return nullptr; }
  virtual int FetchIntoNewMainMemory() { return 0; }
  virtual int PullIntoMainMemory() { return Pixels != nullptr; }
  virtual TextureMap* FindMainMemoryReplacementCandidate() { return nullptr; }
  virtual void ReplaceTexture(void* pixels) {}
  virtual void ReplaceTexture(TextureMap* other) {}
  virtual void GetTextureMapScales(float& u, float& v) { u = v = 1; }
  virtual ~TextureMap();
  virtual bool IsPermanent() { return Permanent; }
  virtual void SetTextureFlagsPermanent() { Permanent = true; }
  virtual bool IsTransparentPixel(int x, int y) { return false; }
  virtual void SetOrigPathName(const char* name);

  // The texture that is drawn for this one (follows ALIAS).
  TextureMap* Resolve();
  bool HasTransparency() const { return Flags & TEXTURE_HAS_TRANSPARENCY; }
};

// The texture the software device makes: pixels in main memory, decoded from
// the image file on demand and released under the main-memory budget.
class MemoryTextureMap : public TextureMap {
 public:
  MemoryTextureMap(const char* path, unsigned long flags);
  ~MemoryTextureMap() override;

  int FetchIntoNewMainMemory() override;
  // Makes the pixels resident, decoding and converting the image if needed,
  // and stamps the texture as used. Returns 1 when Pixels is valid.
  int PullIntoMainMemory() override;
  TextureMap* FindMainMemoryReplacementCandidate() override;
  void ReplaceTexture(void* pixels) override;
  void GetTextureMapScales(float& u, float& v) override { u = v = 1; }
  bool IsTransparentPixel(int x, int y) override;

  // Releases the pixels (they come back on the next PullIntoMainMemory).
  void ReleasePixels();
  unsigned long CreationFlags = 0;
};

// Called when no image file exists for a texture. The default stops the
// program with "Missing TGA file %s"; the launcher installs
// CheckMissingFilename, which lower-cases the path and marks the texture
// Missing so it becomes a 1 by 1 transparent texture.
typedef void (*NoTgaHook)(TextureMap* texture);
extern NoTgaHook notgahook;
void MissingTGAHook(TextureMap* texture);
void CheckMissingFilename(TextureMap* texture);

// Texture pixel bytes resident, and the budget (0: none).
extern unsigned long MainMemTextureCacheUsed;
extern unsigned long MainMemTextureCacheSize;

// Texture-path rewriting set by ChangePathBasename: a name containing kill has
// everything up to and including it replaced by replace.
void ChangePathBasename(const char* kill, const char* replace);
// Upper-cases name into full ("/" becomes "\", path rewriting applied) and
// puts its base name into base. full holds 260 bytes, base 260.
void ProcessFilename(const char* name, char* full, char* base);

// Converts a decoded image into a texture's pixels in the given format
// (MPF_PAL8 builds a palette whose entries are in palFormat). Sets Pixels,
// SizeBytes, Width, Height, TexFormat and HasTransparency.
void ConvertBitmapToTexture(const TrueColorBitmap& image, MemoryPixelFormat format, MemoryPixelFormat palFormat,
                            TextureMap* texture);
