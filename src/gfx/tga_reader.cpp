// TGA images: types 2 (raw) and 10 (run-length), 24 or 32 bits per pixel, no
// colour map. Pixels are stored blue, green, red (, alpha); rows bottom-up
// unless bit 5 of the descriptor is set.
#include <cstring>

#include "gfx/true_color_bitmap.h"

namespace {
constexpr size_t kHeaderSize = 18;
}

bool DecodeTga(const uint8_t* data, size_t size, TrueColorBitmap* out, const char** why) {
  out->Clear();
  auto refuse = [&](const char* reason) {
    out->Clear();
    if (why) *why = reason;
    return false;
  };
  if (!data || size < kHeaderSize) return refuse("header larger than the file");
  int idLength = data[0], colorMapType = data[1], imageType = data[2];
  int width = data[12] | data[13] << 8, height = data[14] | data[15] << 8;
  int bits = data[16], descriptor = data[17];
  if (colorMapType != 0 || imageType == 1 || imageType == 9) return refuse("Colormapped TGAs are not supported");
  if (imageType != 2 && imageType != 10) {
    if (imageType == 3 || imageType == 11) return refuse("Images contains only alpha data");
    return refuse("unsupported TGA image type");
  }
  if (bits != 24 && bits != 32) return refuse("only 24 and 32 bit TGAs are supported");
  if (width <= 0 || height <= 0) return refuse("empty image");
  if (width > kMaxImageSide || height > kMaxImageSide || long(width) * height > kMaxImagePixels)
    return refuse("image too large");

  size_t pos = kHeaderSize + idLength;
  if (pos > size) return refuse("header larger than the file");
  int bpp = bits / 8;
  size_t count = size_t(width) * height;
  // Decode into file order first (rows as stored), then flip if needed.
  std::vector<uint8_t> raw(count * bpp);
  if (imageType == 2) {
    if (size - pos < raw.size()) return refuse("pixel data shorter than the image");
    std::memcpy(raw.data(), data + pos, raw.size());
  } else {
    size_t done = 0;
    while (done < count) {
      if (pos >= size) return refuse("run-length data shorter than the image");
      uint8_t packet = data[pos++];
      size_t n = (packet & 0x7F) + 1;
      if (n > count - done) return refuse("run-length packet runs past the image");
      if (packet & 0x80) {
        if (size - pos < size_t(bpp)) return refuse("run-length data shorter than the image");
        for (size_t i = 0; i < n; ++i) std::memcpy(&raw[(done + i) * bpp], data + pos, bpp);
        pos += bpp;
      } else {
        if (size - pos < n * bpp) return refuse("run-length data shorter than the image");
        std::memcpy(&raw[done * bpp], data + pos, n * bpp);
        pos += n * bpp;
      }
      done += n;
    }
  }

  out->Width = width;
  out->Height = height;
  out->RGB.resize(count * 3);
  if (bpp == 4) out->Alpha.resize(count);
  bool topDown = descriptor & 0x20;
  for (int y = 0; y < height; ++y) {
    int fileRow = topDown ? y : height - 1 - y;
    const uint8_t* s = &raw[size_t(fileRow) * width * bpp];
    uint8_t* d = &out->RGB[size_t(y) * width * 3];
    for (int x = 0; x < width; ++x, s += bpp, d += 3) {
      d[0] = s[2];
      d[1] = s[1];
      d[2] = s[0];
      if (bpp == 4) out->Alpha[size_t(y) * width + x] = s[3];
    }
  }
  return true;
}

std::vector<uint8_t> EncodeTga(const TrueColorBitmap& image) {
  int bpp = image.HasAlpha() ? 4 : 3;
  int w = image.Width, h = image.Height;
  // Pixels in file order: bottom-up rows, blue first.
  std::vector<uint8_t> px(size_t(w) * h * bpp);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      size_t i = size_t(h - 1 - y) * w + x;
      const uint8_t* s = &image.RGB[(size_t(y) * w + x) * 3];
      uint8_t* d = &px[i * bpp];
      d[0] = s[2];
      d[1] = s[1];
      d[2] = s[0];
      if (bpp == 4) d[3] = image.Alpha[size_t(y) * w + x];
    }
  // Run-length form, packets never crossing a row.
  std::vector<uint8_t> rle;
  for (int y = 0; y < h; ++y) {
    const uint8_t* row = &px[size_t(y) * w * bpp];
    int x = 0;
    while (x < w) {
      int run = 1;
      while (x + run < w && run < 128 && !std::memcmp(row + (x + run) * bpp, row + x * bpp, bpp)) ++run;
      if (run > 1) {
        rle.push_back(uint8_t(0x80 | (run - 1)));
        rle.insert(rle.end(), row + x * bpp, row + (x + 1) * bpp);
        x += run;
        continue;
      }
      int n = 1;
      while (x + n < w && n < 128 &&
             !(x + n + 1 < w && !std::memcmp(row + (x + n) * bpp, row + (x + n + 1) * bpp, bpp)))
        ++n;
      rle.push_back(uint8_t(n - 1));
      rle.insert(rle.end(), row + x * bpp, row + (x + n) * bpp);
      x += n;
    }
  }
  bool useRle = rle.size() < px.size();
  std::vector<uint8_t> out(18, 0);
  out[2] = useRle ? 10 : 2;
  out[12] = uint8_t(w), out[13] = uint8_t(w >> 8);
  out[14] = uint8_t(h), out[15] = uint8_t(h >> 8);
  out[16] = uint8_t(bpp * 8);
  out[17] = bpp == 4 ? 8 : 0;  // alpha bits; rows bottom-up
  const std::vector<uint8_t>& body = useRle ? rle : px;
  out.insert(out.end(), body.begin(), body.end());
  return out;
}
