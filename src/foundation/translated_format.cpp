#include "foundation/translated_format.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "foundation/language_catalogue.h"
#include "foundation/mixed_string.h"

namespace {

// The arguments a format's directives take, as (argument, letter) pairs in
// argument order; false for a format with a directive that cannot be read.
bool FormatArguments(const char* format, std::vector<std::pair<int, unsigned>>* out) {
  const char* p = format;
  int wide = 0, letters = 0;
  for (;;) {
    unsigned c = NextMixedChar(p, wide);
    if (c == 0) break;
    if (c != '%') continue;
    int slot = -1;
    for (;;) {
      c = NextMixedChar(p, wide);
      if (c == 0 || c == '%') break;  // a "%" at the end, or "%%"
      if ((c >= '0' && c <= '9') || c == '.') continue;
      if (c == '/') {
        unsigned n = NextMixedChar(p, wide);
        if (n >= '1' && n <= '9') slot = int(n - '1');
        else if (n != '.') return false;
        continue;
      }
      if (c != 'c' && c != 'd' && c != 's' && c != 'i' && c != 'u' && c != 'x') return false;
      out->emplace_back(slot >= 0 ? slot : letters, c);
      ++letters;
      break;
    }
    if (c == 0) break;
  }
  std::sort(out->begin(), out->end());
  return true;
}

}  // namespace

bool SameFormatArguments(const char* a, const char* b) {
  std::vector<std::pair<int, unsigned>> first, second;
  return a && b && FormatArguments(a, &first) && FormatArguments(b, &second) && first == second;
}

const char* GetFormatString(const char* format) {
  const char* translated = GetString(format);
  if (!translated || translated == format) return format;
  return SameFormatArguments(format, translated) ? translated : format;
}
