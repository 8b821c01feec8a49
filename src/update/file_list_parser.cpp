#include "update/file_list_parser.h"

#include <climits>
#include <cstring>

#include "platform/filesystem.h"

const char hexstr[17] = "0123456789abcdef";

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;  // upper case is not a digit of the format
}

const char* SkipSpaces(const char* p) {
  while (*p == ' ') ++p;
  return p;
}

// Reads exactly 32 digits followed by a space. Returns the position after the
// digits, or null.
const char* ParseDigest(const char* p, unsigned char digest[16]) {
  for (int i = 0; i < 16; ++i) {
    const int hi = HexValue(p[2 * i]);
    if (hi < 0) return nullptr;
    const int lo = HexValue(p[2 * i + 1]);
    if (lo < 0) return nullptr;
    digest[i] = static_cast<unsigned char>(hi << 4 | lo);
  }
  return p[32] == ' ' ? p + 32 : nullptr;
}

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

// Copies the rest of the line (less one trailing line feed) into a name field
// with native separators. False when it is empty, too long or unsafe.
bool CopyName(const char* p, char (&name)[kListNameSize]) {
  size_t n = std::strlen(p);
  if (n > 0 && p[n - 1] == '\n') --n;
  if (n == 0 || n >= kListNameSize) return false;
  for (size_t i = 0; i < n; ++i) name[i] = IsSeparator(p[i]) ? kPathSeparator : p[i];
  name[n] = 0;
  return IsSafeListName(name);
}

// Copies one space-delimited token; returns the position after it, or null
// when it is empty or too long for the field.
const char* CopyToken(const char* p, char (&token)[kListNameSize]) {
  size_t n = 0;
  while (p[n] && p[n] != ' ' && p[n] != '\n') ++n;
  if (n == 0 || n >= kListNameSize) return nullptr;
  std::memcpy(token, p, n);
  token[n] = 0;
  return p + n;
}

unsigned char KindBit(char letter) {
  switch (letter) {
    case 'R': return FileRequired;
    case 'O': return FileListedOnly;
    case 'D': return FileOnDemand;
    case 'C': return FileCreateOnce;
    case 'U': return FileUpdateIfPresent;
    default: return 0;
  }
}

}  // namespace

bool IsSafeListName(const char* name) {
  if (!name[0] || IsSeparator(name[0])) return false;
  const char first = name[0];
  if (((first >= 'a' && first <= 'z') || (first >= 'A' && first <= 'Z')) && name[1] == ':') return false;
  for (const char* c = name; *c;) {
    const char* end = c;
    while (*end && !IsSeparator(*end)) ++end;
    if (end - c == 2 && c[0] == '.' && c[1] == '.') return false;
    c = *end ? end + 1 : end;
  }
  return true;
}

ZindleFileListEntry* ParseFileListLine(const char* line) {
  const unsigned char kind = KindBit(line[0]);
  if (!kind) return nullptr;
  // Everything is checked on a local copy first, so a rejected line costs no
  // allocation and nothing is written past the fields.
  ZindleFileListEntry entry{};
  entry.flags = kind;
  const char* p = ParseDigest(SkipSpaces(line + 1), entry.digest);
  if (!p || !CopyName(SkipSpaces(p), entry.name)) return nullptr;
  return new ZindleFileListEntry(entry);
}

ZindlePatchEntry* ParsePatchLine(const char* line) {
  if (line[0] != 'p') return nullptr;
  ZindlePatchEntry entry{};
  const char* p = ParseDigest(SkipSpaces(line + 1), entry.resultDigest);
  if (!p) return nullptr;
  p = ParseDigest(SkipSpaces(p), entry.sourceDigest);
  if (!p) return nullptr;

  // The size is read like atoi (leading digits of the token count), but a
  // negative size or one beyond kMaxPatchResultSize is refused rather than
  // wrapped.
  char token[kListNameSize];
  p = CopyToken(SkipSpaces(p), token);
  if (!p) return nullptr;
  const char* d = token;
  if (*d == '-') return nullptr;
  if (*d == '+') ++d;
  long long size = 0;
  for (; *d >= '0' && *d <= '9'; ++d) {
    size = size * 10 + (*d - '0');
    if (size > kMaxPatchResultSize) return nullptr;
  }
  entry.resultSize = size;

  p = CopyToken(SkipSpaces(p), token);
  if (!p || *p != ' ') return nullptr;  // the target name must follow
  if (!CopyName(token, entry.patchName)) return nullptr;
  if (!CopyName(SkipSpaces(p), entry.targetName)) return nullptr;
  return new ZindlePatchEntry(entry);
}
