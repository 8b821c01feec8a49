#include "gfx/image_file.h"

#include <cctype>
#include <cstdio>

namespace {
std::string Normalise(const char* name) {
  std::string s(name ? name : "");
  for (char& c : s)
    if (c == '\\') c = '/';
  return s;
}

bool Exists(const std::string& path) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  std::fclose(f);
  return true;
}
}  // namespace

std::string FindImageFile(const char* name) {
  std::string path = Normalise(name);
  if (path.empty()) return "";
  if (Exists(path)) return path;
  std::string lower = path;
  for (char& c : lower) c = char(std::tolower(static_cast<unsigned char>(c)));
  if (lower != path && Exists(lower)) return lower;
  return "";
}

bool ImageFileExists(const char* name) { return !FindImageFile(name).empty(); }

bool ReadImageFileBytes(const char* name, std::vector<unsigned char>* out) {
  out->clear();
  std::string path = FindImageFile(name);
  if (path.empty()) return false;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  unsigned char chunk[65536];
  size_t n;
  bool ok = true;
  while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) {
    if (out->size() + n > kMaxImageFileBytes) {
      ok = false;
      break;
    }
    out->insert(out->end(), chunk, chunk + n);
  }
  if (std::ferror(f)) ok = false;
  std::fclose(f);
  if (!ok) out->clear();
  return ok;
}

std::string ReplaceExtension(const std::string& name, const char* ext) {
  size_t sep = name.find_last_of("/\\:");
  size_t dot = name.rfind('.');
  if (dot == std::string::npos || (sep != std::string::npos && dot < sep)) return name + ext;
  return name.substr(0, dot) + ext;
}
