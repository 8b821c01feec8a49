// PNG (libpng), JPEG (libjpeg) and TIFF (libtiff) decoding from memory, and
// PNG writing. Library errors never leave these functions: each decoder turns
// them into a refusal.
#include <png.h>
#include <setjmp.h>
#include <stdio.h>
// jpeglib.h needs stdio.h (FILE, size_t) before it.
#include <jpeglib.h>
#include <tiffio.h>

#include <cstring>

#include "foundation/log.h"
#include "gfx/true_color_bitmap.h"

// The file being decoded, for the library's messages in the log.
const char* CurrentImageName = "image";

namespace {
bool SizeAcceptable(long w, long h) {
  return w > 0 && h > 0 && w <= kMaxImageSide && h <= kMaxImageSide && w * h <= kMaxImagePixels;
}

// PNG ---------------------------------------------------------------------

struct PngSource {
  const uint8_t* data;
  size_t size, pos;
};

void PngRead(png_structp png, png_bytep out, png_size_t n) {
  auto* s = static_cast<PngSource*>(png_get_io_ptr(png));
  if (n > s->size - s->pos) png_error(png, "truncated");
  std::memcpy(out, s->data + s->pos, n);
  s->pos += n;
}

void PngError(png_structp png, png_const_charp message) {
  Log("PNG ERROR %s - %s!", CurrentImageName, message);
  png_longjmp(png, 1);
}

void PngWarning(png_structp, png_const_charp message) { Log("PNG warning %s - %s!", CurrentImageName, message); }
}  // namespace

bool DecodePng(const uint8_t* data, size_t size, TrueColorBitmap* out, const char** why) {
  out->Clear();
  if (!data || size < 8 || png_sig_cmp(data, 0, 8)) {
    if (why) *why = "not a PNG file";
    return false;
  }
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, PngError, PngWarning);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  PngSource source{data, size, 0};
  // Declared before setjmp so that a longjmp leaves them in a known state.
  std::vector<png_bytep> rows;
  std::vector<uint8_t> pixels;
  if (!info || setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
    out->Clear();
    if (why) *why = "PNG data is damaged";
    return false;
  }
  png_set_read_fn(png, &source, PngRead);
  png_set_user_limits(png, kMaxImageSide, kMaxImageSide);
  png_read_info(png, info);
  png_uint_32 w = png_get_image_width(png, info), h = png_get_image_height(png, info);
  if (!SizeAcceptable(w, h)) png_error(png, "image too large");
  int colorType = png_get_color_type(png, info);
  bool alpha = (colorType & PNG_COLOR_MASK_ALPHA) || png_get_valid(png, info, PNG_INFO_tRNS);
  png_set_expand(png);
  png_set_strip_16(png);
  png_set_gray_to_rgb(png);
  if (!alpha) png_set_strip_alpha(png);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  int channels = png_get_channels(png, info);
  if (channels != (alpha ? 4 : 3)) png_error(png, "unexpected channel count");
  pixels.resize(size_t(w) * h * channels);
  rows.resize(h);
  for (png_uint_32 y = 0; y < h; ++y) rows[y] = &pixels[size_t(y) * w * channels];
  png_read_image(png, rows.data());
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);

  out->Width = int(w);
  out->Height = int(h);
  out->RGB.resize(size_t(w) * h * 3);
  if (alpha) out->Alpha.resize(size_t(w) * h);
  for (size_t i = 0; i < size_t(w) * h; ++i) {
    std::memcpy(&out->RGB[i * 3], &pixels[i * channels], 3);
    if (alpha) out->Alpha[i] = pixels[i * channels + 3];
  }
  return true;
}

bool WritePngFile(const char* path, const TrueColorBitmap& image) {
  if (image.Empty()) return false;
  FILE* f = fopen(path, "wb");
  if (!f) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, PngError, PngWarning);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  bool alpha = image.HasAlpha();
  std::vector<uint8_t> row(size_t(image.Width) * (alpha ? 4 : 3));
  if (!png || !info || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    fclose(f);
    return false;
  }
  png_init_io(png, f);
  png_set_IHDR(png, info, image.Width, image.Height, 8, alpha ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_compression_level(png, 3);
  png_write_info(png, info);
  for (int y = 0; y < image.Height; ++y) {
    for (int x = 0; x < image.Width; ++x) {
      size_t i = size_t(y) * image.Width + x;
      uint8_t* d = &row[size_t(x) * (alpha ? 4 : 3)];
      std::memcpy(d, &image.RGB[i * 3], 3);
      if (alpha) d[3] = image.Alpha[i];
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return fclose(f) == 0;
}

// JPEG --------------------------------------------------------------------

namespace {
struct JpegError {
  jpeg_error_mgr base;
  jmp_buf jump;
};

void JpegExit(j_common_ptr cinfo) { longjmp(reinterpret_cast<JpegError*>(cinfo->err)->jump, 1); }
void JpegMessage(j_common_ptr) {}
}  // namespace

bool DecodeJpeg(const uint8_t* data, size_t size, TrueColorBitmap* out, const char** why) {
  out->Clear();
  if (!data || size < 4 || data[0] != 0xFF || data[1] != 0xD8) {
    if (why) *why = "not a JPEG file";
    return false;
  }
  jpeg_decompress_struct cinfo;
  JpegError err;
  cinfo.err = jpeg_std_error(&err.base);
  err.base.error_exit = JpegExit;
  err.base.output_message = JpegMessage;
  std::vector<uint8_t> pixels;
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&cinfo);
    out->Clear();
    if (why) *why = "JPEG data is damaged";
    return false;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, const_cast<unsigned char*>(data), (unsigned long)size);
  jpeg_read_header(&cinfo, TRUE);
  cinfo.out_color_space = JCS_RGB;
  if (!SizeAcceptable(cinfo.image_width, cinfo.image_height)) {
    jpeg_destroy_decompress(&cinfo);
    if (why) *why = "image too large";
    return false;
  }
  jpeg_start_decompress(&cinfo);
  if (cinfo.output_components != 3) {
    jpeg_destroy_decompress(&cinfo);
    if (why) *why = "unexpected JPEG colour space";
    return false;
  }
  int w = int(cinfo.output_width), h = int(cinfo.output_height);
  pixels.resize(size_t(w) * h * 3);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = &pixels[size_t(cinfo.output_scanline) * w * 3];
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  // A stream cut short is padded by the library with a warning; refuse it
  // rather than show a half-grey image.
  bool damaged = err.base.num_warnings > 0;
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  if (damaged) {
    if (why) *why = "JPEG data is damaged";
    return false;
  }
  out->Width = w;
  out->Height = h;
  out->RGB = std::move(pixels);
  return true;
}

// TIFF --------------------------------------------------------------------

namespace {
struct TiffSource {
  const uint8_t* data;
  toff_t size, pos;
};

tmsize_t TiffRead(thandle_t h, void* buf, tmsize_t n) {
  auto* s = static_cast<TiffSource*>(h);
  if (n < 0) return 0;
  toff_t left = s->pos < s->size ? s->size - s->pos : 0;
  toff_t take = toff_t(n) < left ? toff_t(n) : left;
  std::memcpy(buf, s->data + s->pos, take);
  s->pos += take;
  return tmsize_t(take);
}
tmsize_t TiffWrite(thandle_t, void*, tmsize_t) { return 0; }
toff_t TiffSeek(thandle_t h, toff_t off, int whence) {
  auto* s = static_cast<TiffSource*>(h);
  toff_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? s->pos : s->size;
  s->pos = base + off;
  return s->pos;
}
int TiffClose(thandle_t) { return 0; }
toff_t TiffSize(thandle_t h) { return static_cast<TiffSource*>(h)->size; }
int TiffMap(thandle_t, void**, toff_t*) { return 0; }
void TiffUnmap(thandle_t, void*, toff_t) {}
void TiffQuiet(const char*, const char*, va_list) {}

struct TiffHandlers {
  TiffHandlers() {
    TIFFSetErrorHandler(TiffQuiet);
    TIFFSetWarningHandler(TiffQuiet);
  }
};
}  // namespace

bool DecodeTiff(const uint8_t* data, size_t size, TrueColorBitmap* out, const char** why) {
  static TiffHandlers quiet;
  out->Clear();
  if (!data || size < 8 || !((data[0] == 'I' && data[1] == 'I') || (data[0] == 'M' && data[1] == 'M'))) {
    if (why) *why = "not a TIFF file";
    return false;
  }
  TiffSource source{data, toff_t(size), 0};
  TIFF* tif =
      TIFFClientOpen("memory", "rm", &source, TiffRead, TiffWrite, TiffSeek, TiffClose, TiffSize, TiffMap, TiffUnmap);
  if (!tif) {
    if (why) *why = "TIFF data is damaged";
    return false;
  }
  uint32_t w = 0, h = 0;
  uint16_t extra = 0;
  uint16_t* extraTypes = nullptr;
  TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &w);
  TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &h);
  TIFFGetFieldDefaulted(tif, TIFFTAG_EXTRASAMPLES, &extra, &extraTypes);
  if (!SizeAcceptable(w, h)) {
    TIFFClose(tif);
    if (why) *why = "image too large";
    return false;
  }
  std::vector<uint32_t> raster(size_t(w) * h);
  int ok = TIFFReadRGBAImageOriented(tif, w, h, raster.data(), ORIENTATION_TOPLEFT, 1);
  TIFFClose(tif);
  if (!ok) {
    if (why) *why = "TIFF data is damaged";
    return false;
  }
  out->Width = int(w);
  out->Height = int(h);
  out->RGB.resize(size_t(w) * h * 3);
  if (extra > 0) out->Alpha.resize(size_t(w) * h);
  for (size_t i = 0; i < raster.size(); ++i) {
    uint32_t p = raster[i];
    out->RGB[i * 3] = uint8_t(TIFFGetR(p));
    out->RGB[i * 3 + 1] = uint8_t(TIFFGetG(p));
    out->RGB[i * 3 + 2] = uint8_t(TIFFGetB(p));
    if (extra > 0) out->Alpha[i] = uint8_t(TIFFGetA(p));
  }
  return true;
}
