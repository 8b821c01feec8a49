#include "foundation/mixed_string.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "foundation/fail.h"

namespace {
inline unsigned Byte(const char* p) { return static_cast<unsigned char>(*p); }
inline unsigned Unit(const char* p) { return Byte(p) | (Byte(p + 1) << 8); }

// Position of the terminator that ends the string, and the mode there.
const char* FindEnd(const char* s, int& wide) {
  wide = 0;
  while (NextMixedChar(s, wide) != 0) {
  }
  return s;
}

inline int TermSize(int wide) { return wide ? 2 : 1; }

void WriteTerminator(char* p, int wide) {
  p[0] = 0;
  if (wide) p[1] = 0;
}
}  // namespace

unsigned NextChar(const char*& cursor, int wide) {
  unsigned c = wide ? Unit(cursor) : Byte(cursor);
  cursor += wide ? 2 : 1;
  return c;
}

unsigned NextMixedChar(const char*& cursor, int& wide) {
  for (;;) {
    if (wide) {
      unsigned u = Unit(cursor);
      if (u == 0) return 0;
      cursor += 2;
      if (u == 1) {
        wide = 0;
        continue;
      }
      return u;
    }
    unsigned b = Byte(cursor);
    if (b == 0) return 0;
    if (b == 1) {
      unsigned next = Byte(cursor + 1);
      if (next == 0) {
        // A damaged switch right before the end: the 0 ends the string.
        cursor += 1;
        return 0;
      }
      cursor += next == 1 ? 2 : 1;
      wide = 1;
      continue;
    }
    cursor += 1;
    return b;
  }
}

size_t StrBytes(const char* s) {
  int wide;
  const char* end = FindEnd(s, wide);
  return static_cast<size_t>(end - s) + TermSize(wide);
}

void KillNewLine(char* s) {
  int wide;
  if (char* p = StrChr(s, 10, &wide)) WriteTerminator(p, wide);
}

char* StrChr(const char* s, unsigned ch, int* wideOut) {
  int wide = 0;
  for (;;) {
    unsigned c = NextMixedChar(s, wide);
    if (c == 0) {
      if (ch != 0) return nullptr;
      if (wideOut) *wideOut = wide;
      return const_cast<char*>(s);
    }
    if (c == ch) {
      // The character occupies the last 1 or 2 bytes before s.
      if (wideOut) *wideOut = wide;
      return const_cast<char*>(s - (wide ? 2 : 1));
    }
  }
}

char* StrChr(const char* s, unsigned ch) { return StrChr(s, ch, nullptr); }

char* StrrChr(const char* s, unsigned ch, int* wideOut) {
  int wide = 0;
  const char* found = nullptr;
  int foundWide = 0;
  for (;;) {
    unsigned c = NextMixedChar(s, wide);
    if (c == 0) {
      if (ch == 0) {
        found = s;
        foundWide = wide;
      }
      break;
    }
    if (c == ch) {
      found = s - (wide ? 2 : 1);
      foundWide = wide;
    }
  }
  if (found && wideOut) *wideOut = foundWide;
  return const_cast<char*>(found);
}

char* StrrChr(const char* s, unsigned ch) { return StrrChr(s, ch, nullptr); }

int StrCmp(const char* a, const char* b) {
  int wa = 0, wb = 0;
  for (;;) {
    unsigned ca = NextMixedChar(a, wa);
    unsigned cb = NextMixedChar(b, wb);
    if (ca != cb) return ca < cb ? -1 : 1;
    if (ca == 0) return 0;
  }
}

namespace {
inline bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }
inline int Lower(unsigned char c) { return std::tolower(c); }

// Compares the digit runs starting at a and b by value, without converting
// (runs may be longer than any integer type).
int CompareDigitRuns(const char* a, const char* b) {
  while (*a == '0' && IsDigit(a[1])) ++a;
  while (*b == '0' && IsDigit(b[1])) ++b;
  size_t la = 0, lb = 0;
  while (IsDigit(a[la])) ++la;
  while (IsDigit(b[lb])) ++lb;
  if (la != lb) return la < lb ? -1 : 1;
  int c = std::strncmp(a, b, la);
  return c < 0 ? -1 : c > 0 ? 1 : 0;
}
}  // namespace

int stricmp_numerically(const char* a, const char* b) {
  size_t i = 0;
  while (a[i] && Lower(a[i]) == Lower(b[i])) ++i;
  if (!a[i] && !b[i]) return 0;
  // Both sides inside a digit run: compare the whole runs by value. Runs of
  // equal value (leading zeros) fall back to the characters, so that the
  // order stays consistent both ways round.
  if (IsDigit(a[i]) && IsDigit(b[i])) {
    size_t start = i;
    while (start > 0 && IsDigit(a[start - 1])) --start;
    int c = CompareDigitRuns(a + start, b + start);
    if (c) return c;
  }
  return Lower(a[i]) < Lower(b[i]) ? -1 : 1;
}

MixedWriter::MixedWriter(char* cursor_, const char* end_, int wide_)
    : cursor(cursor_), end(end_), wide(wide_), desired(wide_), cut(0) {
  if (end - cursor < TermSize(wide)) cut = 1;
}

int MixedWriter::Put(unsigned ch) {
  if (cut) return 0;
  if (ch == 0 || ch == 1) return 1;
  int mode = desired || ch > 0xFF ? 1 : 0;
  ptrdiff_t need = (mode ? 2 : 1) + TermSize(mode) + (mode != wide ? 2 : 0);
  if (end - cursor < need) {
    WriteTerminator(cursor, wide);
    cut = 1;
    return 0;
  }
  if (mode != wide) {
    cursor[0] = 1;
    cursor[1] = mode ? 1 : 0;
    cursor += 2;
    wide = mode;
  }
  if (wide) {
    cursor[0] = static_cast<char>(ch & 0xFF);
    cursor[1] = static_cast<char>(ch >> 8);
    cursor += 2;
  } else {
    *cursor++ = static_cast<char>(ch);
  }
  desired = wide;
  return 1;
}

int MixedWriter::Append(const char* src) {
  int srcWide = 0;
  for (;;) {
    int before = srcWide;
    unsigned c = NextMixedChar(src, srcWide);
    if (srcWide != before) desired = srcWide;
    if (c == 0) break;
    if (!Put(c)) return 0;
  }
  return !cut;
}

void MixedWriter::Terminate() {
  if (end - cursor >= TermSize(wide)) WriteTerminator(cursor, wide);
}

int StrAppend(char*& cursor, int& wide, const char* src, const char* end) {
  MixedWriter w(cursor, end, wide);
  w.Append(src);
  w.Terminate();
  cursor = w.cursor;
  wide = w.wide;
  return w.cut;
}

int StrCpy(char* dst, const char* src, const char* end) {
  int wide = 0;
  return StrAppend(dst, wide, src, end);
}

int StrNCpy(char* dst, const char* src, size_t size) { return StrCpy(dst, src, dst + size); }

int StrNAppend(char* dst, const char* src, size_t size) {
  if (size == 0) return 1;
  // Find the end of dst without reading past its size.
  int wide = 0;
  const char* p = dst;
  const char* limit = dst + size;
  for (;;) {
    if (p >= limit) return 1;
    if (wide) {
      if (p + 1 >= limit) return 1;
      unsigned u = Unit(p);
      if (u == 0) break;
      p += 2;
      if (u == 1) wide = 0;
    } else {
      unsigned b = Byte(p);
      if (b == 0) break;
      if (b == 1) {
        if (p + 1 < limit && Byte(p + 1) == 0) {
          ++p;
          break;
        }
        p += (p + 1 < limit && Byte(p + 1) == 1) ? 2 : 1;
        wide = 1;
      } else {
        ++p;
      }
    }
  }
  char* cursor = const_cast<char*>(p);
  return StrAppend(cursor, wide, src, limit);
}

int CharAppendCheckingStrEnd(char*& cursor, unsigned char ch, const char* end) {
  if (end - cursor <= 1) {
    if (end - cursor >= 1) *cursor = 0;
    return 1;
  }
  *cursor++ = static_cast<char>(ch);
  return 0;
}

int CharAppendCheckingStrEndUnicode(char*& cursor, unsigned char high, const char* end, unsigned char low) {
  if (end - cursor < 4) {
    if (end - cursor >= 2) cursor[0] = cursor[1] = 0;
    return 1;
  }
  cursor[0] = static_cast<char>(low);
  cursor[1] = static_cast<char>(high);
  cursor += 2;
  return 0;
}

int SafeAToI(const char* s) {
  for (const char* p = s; *p; ++p)
    if (!IsDigit(*p) && *p != '+' && *p != '-') Fail("bad integer %s", s);
  errno = 0;
  long long v = std::strtoll(s, nullptr, 10);
  if (v > INT_MAX) return INT_MAX;
  if (v < INT_MIN) return INT_MIN;
  return static_cast<int>(v);
}

double SafeAToF(const char* s) {
  for (const char* p = s; *p; ++p)
    if (!IsDigit(*p) && *p != '+' && *p != '-' && *p != '.' && *p != 'e' && *p != 'E')
      Fail("bad floating point number %s", s);
  return std::strtod(s, nullptr);
}

void StrIns(char* s, const char* t) {
  size_t lt = std::strlen(t);
  std::memmove(s + lt, s, std::strlen(s) + 1);
  std::memcpy(s, t, lt);
}

void StrRep(char* s, const char* t) {
  size_t word = std::strcspn(s, " ,()[]=");
  size_t lt = std::strlen(t);
  std::memmove(s + lt, s + word, std::strlen(s + word) + 1);
  std::memcpy(s, t, lt);
}

void StrReplC(char* s, unsigned a, unsigned b) {
  int wide = 0;
  const char* p = s;
  for (;;) {
    unsigned c = NextMixedChar(p, wide);
    if (c == 0) return;
    if (c != a) continue;
    char* at = const_cast<char*>(p) - (wide ? 2 : 1);
    if (wide) {
      if (b > 1) {
        at[0] = static_cast<char>(b & 0xFF);
        at[1] = static_cast<char>(b >> 8);
      }
    } else if (b > 1 && b <= 0xFF) {
      *at = static_cast<char>(b);
    }
  }
}
