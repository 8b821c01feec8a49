#include "tool/kind_rules.h"

#include <cerrno>
#include <cstring>
#include <vector>

#include "tool/raw_file.h"

namespace {

// Matches one set at p (just after "["); returns the position after "]", or
// null for an unclosed set. *matched tells whether c is in (or, with "!",
// out of) the set.
const char* MatchSet(const char* p, char c, bool* matched) {
  bool negate = false;
  if (*p == '!' || *p == '^') {
    negate = true;
    ++p;
  }
  bool in = false;
  bool first = true;
  while (*p && (first || *p != ']')) {
    first = false;
    char lo = *p;
    if (lo == '\\' && p[1]) lo = *++p;
    ++p;
    char hi = lo;
    if (*p == '-' && p[1] && p[1] != ']') {
      hi = p[1];
      if (hi == '\\' && p[2]) {
        hi = p[2];
        ++p;
      }
      p += 2;
    }
    if (c >= lo && c <= hi) in = true;
  }
  if (*p != ']') return nullptr;
  *matched = in != negate;
  return p + 1;
}

bool SetIsClosed(const char* pattern) {
  for (const char* p = pattern; *p; ++p) {
    if (*p == '\\' && p[1]) {
      ++p;
    } else if (*p == '[') {
      bool matched;
      const char* after = MatchSet(p + 1, 'a', &matched);
      if (!after) return false;
      p = after - 1;
    }
  }
  return true;
}

}  // namespace

bool GlobMatch(const char* pattern, const char* name) {
  // Iterative matching with one backtrack point for the last "*": linear
  // enough for file names, and never recursive.
  const char* starP = nullptr;
  const char* starN = nullptr;
  while (*name) {
    bool advance = false;
    const char* nextP = pattern;
    if (*pattern == '*') {
      while (*pattern == '*') ++pattern;
      if (!*pattern) return true;
      starP = pattern;
      starN = name;
      continue;
    }
    if (*pattern == '?') {
      advance = true;
      nextP = pattern + 1;
    } else if (*pattern == '[') {
      bool matched = false;
      const char* after = MatchSet(pattern + 1, *name, &matched);
      if (after && matched) {
        advance = true;
        nextP = after;
      }
    } else if (*pattern) {
      char literal = *pattern;
      nextP = pattern + 1;
      if (literal == '\\' && pattern[1]) {
        literal = pattern[1];
        nextP = pattern + 2;
      }
      advance = literal == *name;
    }
    if (advance) {
      pattern = nextP;
      ++name;
    } else if (starP) {
      pattern = starP;
      name = ++starN;
    } else {
      return false;
    }
  }
  while (*pattern == '*') ++pattern;
  return !*pattern;
}

bool KindRules::Add(char kind, const std::string& pattern) {
  if (!std::strchr("RODCU", kind) || !kind || pattern.empty() || !SetIsClosed(pattern.c_str())) return false;
  rules_.push_back({kind, pattern});
  return true;
}

char KindRules::KindOf(const std::string& name) const {
  for (const Rule& r : rules_)
    if (GlobMatch(r.pattern.c_str(), name.c_str())) return r.kind;
  return 'R';
}

bool KindRules::Load(const std::string& path, std::string* error) {
  std::vector<unsigned char> bytes;
  if (!ReadRawFile(path.c_str(), bytes)) {
    *error = path + ": " + std::strerror(errno);
    return false;
  }
  std::string text(bytes.begin(), bytes.end());
  int number = 0;
  for (size_t pos = 0; pos < text.size();) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(pos, end - pos);
    pos = end + 1;
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    size_t s = line.find_first_not_of(" \t");
    if (s == std::string::npos || line[s] == '#') continue;
    line = line.substr(s);
    size_t gap = line.find_first_of(" \t");
    size_t patternStart = gap == std::string::npos ? std::string::npos : line.find_first_not_of(" \t", gap);
    std::string pattern = patternStart == std::string::npos ? "" : line.substr(patternStart);
    while (!pattern.empty() && (pattern.back() == ' ' || pattern.back() == '\t')) pattern.pop_back();
    if (gap != 1 || !Add(line[0], pattern)) {
      *error = path + " line " + std::to_string(number) +
               ": not a rule (a kind letter R, O, D, C or U, a space and a pattern): " + line;
      return false;
    }
  }
  return true;
}
