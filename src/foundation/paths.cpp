#include "foundation/paths.h"

#include <cstring>

namespace {
// The root of the source tree, taken from where this very file was compiled:
// __FILE__ ends in "src/foundation/paths.cpp"; the root is what precedes it.
struct SourceRoot {
  char text[1024];
  size_t length;
  SourceRoot() {
    std::strncpy(text, __FILE__, sizeof text - 1);
    text[sizeof text - 1] = 0;
    for (char* p = text; *p; ++p)
      if (*p == '\\') *p = '/';
    const char* tail = "src/foundation/paths.cpp";
    size_t lt = std::strlen(tail), l = std::strlen(text);
    length = l >= lt && !std::strcmp(text + l - lt, tail) ? l - lt : 0;
    text[length] = 0;
  }
};
}  // namespace

const char* BaseName(const char* path) {
  const char* a = std::strrchr(path, '/');
  const char* b = std::strrchr(path, '\\');
  const char* sep = a > b ? a : b;
  return sep ? sep + 1 : path;
}

char* BaseName(char* path) { return const_cast<char*>(BaseName(static_cast<const char*>(path))); }

void AddPath(char* path, const char* name) {
  char* base = BaseName(path);
  std::memmove(base, name, std::strlen(name) + 1);
}

const char* MakePathNameRelative(char* path) {
  for (char* p = path; *p; ++p)
    if (*p == '\\') *p = '/';
  if (const char* data = std::strstr(path, "/data/")) return data + 6;
  static const SourceRoot root;
  if (root.length && !std::strncmp(path, root.text, root.length)) {
    const char* rest = path + root.length;
    if (const char* slash = std::strchr(rest, '/')) return slash + 1;
    return rest;
  }
  return path;
}
