#include "gfx/image_file.h"

#include <cctype>
#include <cstdio>

#include "foundation/case_compare.h"
#include "platform/filesystem.h"
#include "transport/file.h"

namespace {
std::string Normalise(const char* name) {
  std::string s(name ? name : "");
  for (char& c : s)
    if (c == '\\') c = '/';
  return s;
}

// Through the file layer, so that language variants, the CD path and
// compressed files apply to images as to every other data file.
bool Exists(const std::string& path) {
  File f;
  return f.Open(path.c_str()) != 0;
}
}  // namespace

std::string FindImageFile(const char* name) {
  std::string path = Normalise(name);
  if (path.empty()) return "";
  if (Exists(path)) return path;
  std::string lower = path;
  for (char& c : lower) c = char(std::tolower(static_cast<unsigned char>(c)));
  if (lower != path && Exists(lower)) return lower;
  // Last, a file whose name differs only in case, in the directory as spelled
  // or in lower case.
  size_t slash = path.rfind('/');
  std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
  for (const std::string& dir : {path.substr(0, slash == std::string::npos ? 0 : slash + 1),
                                 lower.substr(0, slash == std::string::npos ? 0 : slash + 1)}) {
    std::vector<std::string> names;
    if (!PlatListDirectory(dir.empty() ? "." : dir, names)) continue;
    for (const std::string& n : names)
      if (!CaseCompare(n.c_str(), base.c_str()) && Exists(dir + n)) return dir + n;
  }
  return "";
}

bool ImageFileExists(const char* name) { return !FindImageFile(name).empty(); }

bool ReadImageFileBytes(const char* name, std::vector<unsigned char>* out) {
  out->clear();
  std::string path = FindImageFile(name);
  if (path.empty()) return false;
  File f;
  if (!f.Open(path.c_str())) return false;
  long length = f.FileLength();
  if (length < 0 || size_t(length) > kMaxImageFileBytes) return false;
  out->resize(size_t(length));
  if (length > 0 && f.Read(out->data(), 1, unsigned(length)) != unsigned(length)) {
    out->clear();
    return false;
  }
  return true;
}

std::string ReplaceExtension(const std::string& name, const char* ext) {
  size_t sep = name.find_last_of("/\\:");
  size_t dot = name.rfind('.');
  if (dot == std::string::npos || (sep != std::string::npos && dot < sep)) return name + ext;
  return name.substr(0, dot) + ext;
}
