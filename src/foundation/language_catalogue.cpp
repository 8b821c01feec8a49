#include "foundation/language_catalogue.h"

#include <cstdint>
#include <cstring>
#include <vector>

#include "foundation/fail.h"
#include "foundation/mixed_string.h"
#include "foundation/runtime.h"

HashedString** HashList;
char OutputStringBuffer[kOutputBuffers][kOutputBufferSize];
int WhichBuffer;

namespace {
StartupRegistration registration(nullptr, FreeHashList);

// Zero bytes kept after every stored text, so that decoding a damaged one
// still stops inside its allocation.
constexpr size_t kPad = 4;

char* NextBuffer() {
  char* buffer = OutputStringBuffer[WhichBuffer % kOutputBuffers];
  WhichBuffer = (WhichBuffer + 1) % kOutputBuffers;
  return buffer;
}

char* CopyText(const char* text) {
  size_t n = StrBytes(text);
  char* copy = new char[n + kPad];
  std::memcpy(copy, text, n);
  std::memset(copy + n, 0, kPad);
  return copy;
}

// A decoding cursor with one character of look-ahead.
struct Reader {
  const char* p;
  int wide = 0;
  explicit Reader(const char* s) : p(s) {}
  unsigned Next() { return NextMixedChar(p, wide); }
  unsigned Peek() const {
    const char* q = p;
    int w = wide;
    return NextMixedChar(q, w);
  }
};

inline bool IsLower(unsigned c) { return c >= 'a' && c <= 'z'; }
inline bool IsDigit(unsigned c) { return c >= '0' && c <= '9'; }

// Compares text with an entry's source text; counts the parameters matched.
bool Matches(const char* text, const char* source, int& params) {
  Reader t(text), s(source);
  params = 0;
  for (;;) {
    unsigned tc = t.Next();
    unsigned sc = s.Next();
    if (tc == '[' && sc == '*') {
      unsigned wanted = IsLower(s.Peek()) ? s.Next() : 0;
      unsigned type = 0;
      for (;;) {
        unsigned c = t.Next();
        if (c == 0 || c == ']') break;
        if (c == '\\') {
          type = t.Next();
          if (type == 0) break;
        }
      }
      if (wanted && type != wanted) return false;
      ++params;
      continue;
    }
    if (tc != sc) return false;
    if (tc == 0) return true;
  }
}

// The text's bracketed segments, each cut at kMaxStringParamBytes bytes and
// ended by "]" or a backslash; at most kMaxStringParams.
struct Segments {
  char text[kMaxStringParams][kMaxStringParamBytes + kPad];
  int count = 0;
  explicit Segments(const char* source) {
    Reader r(source);
    for (;;) {
      unsigned c = r.Next();
      if (c == 0) return;
      if (c != '[') continue;
      char* out = count < kMaxStringParams ? text[count] : nullptr;
      if (out) std::memset(out, 0, kMaxStringParamBytes + kPad);
      MixedWriter w(out ? out : text[0], (out ? out : text[0]) + kMaxStringParamBytes, 0);
      bool typed = false;
      for (;;) {
        c = r.Next();
        if (c == 0 || c == ']') break;
        if (c == '\\') typed = true;
        if (!typed && out) w.Put(c);
      }
      if (out) {
        w.Terminate();
        ++count;
      }
      if (c == 0) return;
    }
  }
};

bool IsBackwardsSeparator(unsigned c) {
  switch (c) {
    case ' ':
    case '(':
    case ')':
    case '.':
    case '/':
    case '[':
    case '\\':
    case ']':
    case '{':
    case '}': return true;
    default: return false;
  }
}

bool SameNameIgnoringCase(const char* a, const char* b) {
  Reader ra(a), rb(b);
  for (;;) {
    unsigned ca = ra.Next(), cb = rb.Next();
    if (ca < 128 && ca >= 'A' && ca <= 'Z') ca += 'a' - 'A';
    if (cb < 128 && cb >= 'A' && cb <= 'Z') cb += 'a' - 'A';
    if (ca != cb) return false;
    if (ca == 0) return true;
  }
}

// Splits a language file into lines (see the header for the rules).
class LineReader {
 public:
  LineReader(const char* data, size_t size) : data_(reinterpret_cast<const unsigned char*>(data)), size_(size) {}

  // Reads the next line into line (kMaxCatalogueLine + 1 bytes and the
  // padding); false at the end of the data.
  bool Next(char* line) {
    if (pos_ >= size_) return false;
    std::memset(line, 0, kMaxCatalogueLine + 1 + kPad);
    MixedWriter w(line, line + kMaxCatalogueLine + 1, 0);
    bool wide = false, ended = false;
    while (pos_ < size_) {
      if (!wide) {
        unsigned b = data_[pos_++];
        if (b == '\n') break;
        if (b == '\r' || ended) continue;
        if (b == 0) {
          ended = true;
        } else if (b == 1) {
          unsigned next = pos_ < size_ ? data_[pos_] : 0;
          if (next == 0) {
            ended = true;
          } else {
            if (next == 1) ++pos_;
            wide = true;
            w.desired = 1;
          }
        } else {
          w.Put(b);
        }
        continue;
      }
      if (pos_ + 1 >= size_) {  // a lone last byte is no unit
        pos_ = size_;
        break;
      }
      unsigned u = data_[pos_] | (unsigned(data_[pos_ + 1]) << 8);
      pos_ += 2;
      if (u == '\n') break;
      if (u == '\r') continue;
      if (u == 0) {
        wide = false;
        ended = true;
      } else if (u == 1) {
        wide = false;
        w.desired = 0;
      } else {
        w.Put(u);
      }
    }
    w.Terminate();
    return true;
  }

 private:
  const unsigned char* data_;
  size_t size_;
  size_t pos_ = 0;
};

bool IsEmptyLine(const char* line) {
  const char* p = line;
  int wide = 0;
  return NextMixedChar(p, wide) == 0;
}

bool IsComment(const char* line) {
  const char* p = line;
  int wide = 0;
  return NextMixedChar(p, wide) == ';';
}
}  // namespace

int Hash(const char* text) {
  uint32_t h = 0x31415926u;
  Reader r(text);
  for (;;) {
    unsigned c = r.Next();
    if (c == 0) break;
    if (c == '*') {
      // A typed wildcard's letter is part of the wildcard: skip it too, so
      // that "*d" hashes like the "[...]" segment it stands for.
      if (IsLower(r.Peek())) r.Next();
      continue;
    }
    if (c == '[') {
      while ((c = r.Next()) != 0 && c != ']') {
      }
      if (c == 0) break;
      continue;
    }
    h = 2 * h + c;
  }
  return static_cast<int>(h % kHashBuckets);
}

void AddTranslation(const char* source, const char* translation) {
  if (!HashList) {
    HashList = new HashedString*[kHashBuckets];
    for (int i = 0; i < kHashBuckets; ++i) HashList[i] = nullptr;
  }
  HashedString* entry = new HashedString;
  entry->source = CopyText(source);
  entry->translation = CopyText(translation);
  int bucket = Hash(source);
  entry->next = HashList[bucket];
  HashList[bucket] = entry;
}

void FreeHashList() {
  if (!HashList) return;
  for (int i = 0; i < kHashBuckets; ++i) {
    HashedString* e = HashList[i];
    while (e) {
      HashedString* next = e->next;
      delete[] e->source;
      delete[] e->translation;
      delete e;
      e = next;
    }
  }
  delete[] HashList;
  HashList = nullptr;
}

const char* StripBracketsFromString(const char* text) {
  char* out = NextBuffer();
  MixedWriter w(out, out + kOutputBufferSize, 0);
  Reader r(text);
  for (;;) {
    int before = r.wide;
    unsigned c = r.Next();
    if (r.wide != before) w.desired = r.wide;
    if (c == 0) break;
    if (c != '[' && c != ']') w.Put(c);
  }
  w.Terminate();
  return out;
}

const char* ReplaceStringParams(const char* text, const char* pattern) {
  Segments segments(text);
  char* out = NextBuffer();
  MixedWriter w(out, out + kOutputBufferSize, 0);
  Reader r(pattern);
  for (;;) {
    int before = r.wide;
    unsigned c = r.Next();
    if (r.wide != before) w.desired = r.wide;
    if (c == 0) break;
    if (c == '%' && IsDigit(r.Peek())) {
      unsigned digit = r.Next();
      int n = static_cast<int>(digit - '0');
      if (n == 0) Fail("Invalid delimiter in %s -> (%%%c)", pattern, static_cast<char>(digit));
      if (n > segments.count) Fail("Delimiter out of range in %s -> (%%%c)", pattern, static_cast<char>(digit));
      w.Append(segments.text[n - 1]);
      continue;
    }
    w.Put(c);
  }
  w.Terminate();
  return out;
}

const char* GetString(const char* text) {
  if (!text) return "";
  if (HashList) {
    for (HashedString* e = HashList[Hash(text)]; e; e = e->next) {
      int params;
      if (!Matches(text, e->source, params)) continue;
      if (params == 0) return e->translation;
      return ReplaceStringParams(text, e->translation);
    }
  }
  if (!StrChr(text, '[')) return text;
  return StripBracketsFromString(text);
}

const char* MakeBackwardsText(const char* source) {
  std::vector<unsigned> chars;
  {
    Reader r(source);
    while (unsigned c = r.Next()) chars.push_back(c);
  }
  std::vector<unsigned> out, run;
  auto flush = [&] {
    out.insert(out.end(), run.rbegin(), run.rend());
    run.clear();
  };
  size_t n = chars.size();
  for (size_t i = 0; i < n; ++i) {
    unsigned c = chars[i];
    if (IsBackwardsSeparator(c)) {
      flush();
      out.push_back(c);
    } else if (c == '%') {
      // A directive ("%d", "%/2s", "%5.1d", "%%") or a parameter ("%1").
      flush();
      out.push_back(c);
      while (i + 1 < n && (IsDigit(chars[i + 1]) || chars[i + 1] == '.' || chars[i + 1] == '/'))
        out.push_back(chars[++i]);
      if (i + 1 < n && ((chars[i + 1] < 128 && std::strchr("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ%",
                                                           static_cast<int>(chars[i + 1])))))
        out.push_back(chars[++i]);
    } else if (c == '*') {
      flush();
      out.push_back(c);
      if (i + 1 < n && IsLower(chars[i + 1])) out.push_back(chars[++i]);
    } else if (c == '@') {
      flush();
      out.push_back(c);
      if (i + 1 < n) out.push_back(chars[++i]);
    } else {
      run.push_back(c);
    }
  }
  flush();
  char* buffer = NextBuffer();
  MixedWriter w(buffer, buffer + kOutputBufferSize, 0);
  for (unsigned c : out) w.Put(c);
  w.Terminate();
  return buffer;
}

int LoadLanguageCatalogue(const char* data, size_t size, const char* language) {
  FreeHashList();
  LineReader lines(data, size);
  std::vector<char> buffer(kMaxCatalogueLine + 1 + kPad);
  char* line = buffer.data();

  bool backwards = SameNameIgnoringCase(language, "backwards");
  int selected = -1, languages = 0;
  while (lines.Next(line) && !IsEmptyLine(line)) {
    if (selected < 0 && SameNameIgnoringCase(line, language)) selected = languages;
    ++languages;
  }
  if (selected < 0 && !backwards) return 0;

  std::vector<char> sourceBuffer(kMaxCatalogueLine + 1 + kPad);
  char* source = sourceBuffer.data();
  for (;;) {
    // Where an entry begins: skip empty lines and comments.
    bool have = false;
    while ((have = lines.Next(source))) {
      if (!IsEmptyLine(source) && !IsComment(source)) break;
    }
    if (!have) break;
    int index = 0;
    while (lines.Next(line) && !IsEmptyLine(line)) {
      if (!backwards && index == selected) {
        AddTranslation(source, line);
      }
      ++index;
    }
    if (backwards) AddTranslation(source, MakeBackwardsText(source));
  }
  return 1;
}
