#include "foundation/case_compare.h"

namespace {
int Lower(unsigned char c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; }
}  // namespace

int CaseCompare(const char* a, const char* b) { return CaseCompareN(a, b, size_t(-1)); }

int CaseCompareN(const char* a, const char* b, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    int ca = Lower(static_cast<unsigned char>(a[i])), cb = Lower(static_cast<unsigned char>(b[i]));
    if (ca != cb) return ca - cb;
    if (ca == 0) return 0;
  }
  return 0;
}
