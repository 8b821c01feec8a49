// The TGA reader on arbitrary bytes. A decode must never read past the input,
// and a success must describe a consistent image that survives the writer
// and the reader again unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "fuzz_runtime.h"
#include "gfx/true_color_bitmap.h"

QUORVEL_FUZZ_STARTUP

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // An exact-size copy, so the sanitizer sees any access past the end.
  std::vector<uint8_t> input(data, data + size);
  TrueColorBitmap image;
  const char* why = nullptr;
  if (!DecodeTga(input.data(), input.size(), &image, &why)) {
    if (!image.Empty() || !why) abort();
    return 0;
  }
  size_t pixels = size_t(image.Width) * image.Height;
  if (image.Width <= 0 || image.Height <= 0 || image.RGB.size() != pixels * 3) abort();
  if (!image.Alpha.empty() && image.Alpha.size() != pixels) abort();
  std::vector<uint8_t> again = EncodeTga(image);
  TrueColorBitmap back;
  if (!DecodeTga(again.data(), again.size(), &back, nullptr)) abort();
  if (back.RGB != image.RGB || back.Alpha != image.Alpha) abort();
  return 0;
}
