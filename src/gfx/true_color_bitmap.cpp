#include "gfx/true_color_bitmap.h"

#include <cctype>
#include <cstring>
#include <string>

#include "foundation/fail.h"
#include "foundation/log.h"
#include "gfx/image_file.h"

int CheckTgaJpeg = 0;
extern const char* CurrentImageName;  // image_decoders.cpp

void TrueColorBitmap::Clear() {
  Width = Height = 0;
  RGB.clear();
  Alpha.clear();
}

namespace {
enum Kind { kPng, kTga, kJpeg, kTiff };

Kind KindOfName(const std::string& name) {
  std::string ext = name.size() >= 4 ? name.substr(name.size() - 4) : "";
  for (char& c : ext) c = char(std::tolower(static_cast<unsigned char>(c)));
  if (ext == ".png") return kPng;
  if (ext == ".tif") return kTiff;
  if (ext == ".jpg") return kJpeg;
  return kTga;
}

bool DecodeFile(const std::string& path, Kind kind, TrueColorBitmap* out) {
  std::vector<unsigned char> bytes;
  if (!ReadImageFileBytes(path.c_str(), &bytes)) return false;
  const char* why = "";
  bool ok = false;
  CurrentImageName = path.c_str();
  switch (kind) {
    case kPng: ok = DecodePng(bytes.data(), bytes.size(), out, &why); break;
    case kTga: ok = DecodeTga(bytes.data(), bytes.size(), out, &why); break;
    case kJpeg: ok = DecodeJpeg(bytes.data(), bytes.size(), out, &why); break;
    case kTiff: ok = DecodeTiff(bytes.data(), bytes.size(), out, &why); break;
  }
  CurrentImageName = "image";
  if (!ok) {
    if (!std::strcmp(why, "Colormapped TGAs are not supported"))
      Log("Colormapped TGAs are not supported (file=%s)!!!", path.c_str());
    else if (!std::strcmp(why, "Images contains only alpha data"))
      Log("Images contains only alpha data (file=%s)!!!", path.c_str());
    else Log("image %s not decoded: %s", path.c_str(), why);
  }
  return ok;
}
}  // namespace

TrueColorBitmap::TrueColorBitmap(const char* name, int required) {
  std::string n(name ? name : "");
  bool ok = false;
  if (CheckTgaJpeg) {
    static const struct {
      const char* ext;
      Kind kind;
    } kOrder[] = {{".png", kPng}, {".tga", kTga}, {".jpg", kJpeg}, {".tif", kTiff}};
    for (const auto& e : kOrder) {
      std::string candidate = ReplaceExtension(n, e.ext);
      if (ImageFileExists(candidate.c_str()) && DecodeFile(candidate, e.kind, this)) {
        ok = true;
        break;
      }
    }
  } else {
    ok = DecodeFile(n, KindOfName(n), this);
  }
  if (!ok) {
    Clear();
    if (required) Fail("No .tga or .jpeg,.tif,.png for file: %s", n.c_str());
  }
}
