// Comparison of narrow strings ignoring the case of the ASCII letters, as
// names of files, URL schemes and HTTP header fields are compared. Bytes
// outside A-Z and a-z compare as they are, whatever the locale.
#pragma once

#include <cstddef>

// < 0, 0 or > 0 as a sorts before, equal to or after b.
int CaseCompare(const char* a, const char* b);
// The same over at most n bytes.
int CaseCompareN(const char* a, const char* b, size_t n);
inline bool CaseEqual(const char* a, const char* b) { return CaseCompare(a, b) == 0; }
