// A decoded image: 8-bit red, green, blue per pixel (rows top to bottom) and
// an optional alpha plane.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// When set (the launcher sets it) TrueColorBitmap tries the name with the
// extensions ".png", ".tga", ".jpg" and ".tif" in turn, and the first file
// that decodes wins; when clear the name's own extension picks the decoder.
extern int CheckTgaJpeg;

// Images larger than this in either direction, or with more pixels than
// kMaxImagePixels, are refused before any pixel memory is taken.
constexpr int kMaxImageSide = 16384;
constexpr long kMaxImagePixels = 32L * 1024 * 1024;

class TrueColorBitmap {
 public:
  int Width = 0, Height = 0;
  std::vector<uint8_t> RGB;    // 3 * Width * Height bytes, red first
  std::vector<uint8_t> Alpha;  // Width * Height bytes, or empty without alpha

  TrueColorBitmap() = default;
  // Loads the image for a name (see CheckTgaJpeg). When nothing decodes: with
  // required set the program stops ("No .tga or .jpeg,.tif,.png for file: %s");
  // otherwise the bitmap stays empty (Width 0).
  TrueColorBitmap(const char* name, int required);

  bool HasAlpha() const { return !Alpha.empty(); }
  bool Empty() const { return Width == 0; }
  void Clear();
};

// The decoders, on bytes. Each returns true with the bitmap filled, or false
// with the bitmap cleared and *why set to a short reason; they never stop the
// program and never read outside the buffer.
bool DecodeTga(const uint8_t* data, size_t size, TrueColorBitmap* out, const char** why);
bool DecodePng(const uint8_t* data, size_t size, TrueColorBitmap* out, const char** why);
bool DecodeJpeg(const uint8_t* data, size_t size, TrueColorBitmap* out, const char** why);
bool DecodeTiff(const uint8_t* data, size_t size, TrueColorBitmap* out, const char** why);

// Writers for the skin tool and screenshots. EncodeTga picks raw (type 2) or
// run-length (type 10) rows, whichever is smaller; 32 bits when the bitmap
// has alpha, else 24.
std::vector<uint8_t> EncodeTga(const TrueColorBitmap& image);
bool WritePngFile(const char* path, const TrueColorBitmap& image);
