// The library-backed image decoders (PNG, JPEG, TIFF) on arbitrary bytes, the
// first byte choosing the decoder. Library errors must come back as refusals,
// never a crash or a read past the input, and a success must describe a
// consistent image.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "fuzz_runtime.h"
#include "gfx/true_color_bitmap.h"

QUORVEL_FUZZ_STARTUP

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  std::vector<uint8_t> input(data + 1, data + size);
  TrueColorBitmap image;
  bool ok;
  switch (data[0] % 3) {
    case 0: ok = DecodePng(input.data(), input.size(), &image, nullptr); break;
    case 1: ok = DecodeJpeg(input.data(), input.size(), &image, nullptr); break;
    default: ok = DecodeTiff(input.data(), input.size(), &image, nullptr); break;
  }
  if (!ok) {
    if (!image.Empty()) abort();
    return 0;
  }
  size_t pixels = size_t(image.Width) * image.Height;
  if (image.Width <= 0 || image.Height <= 0 || image.RGB.size() != pixels * 3) abort();
  if (!image.Alpha.empty() && image.Alpha.size() != pixels) abort();
  return 0;
}
