#include "foundation/words.h"

#include <cstdio>
#include <cstring>
#include <string_view>

#include "foundation/case_compare.h"

int WhichWord(const char* list, const char* word) {
  while (*word == ' ') ++word;
  size_t wordLength = std::strcspn(word, " ;");
  int index = 0;
  const char* p = list;
  while (*p) {
    const char* slash = std::strchr(p, '/');
    if (!slash) return -1;
    if (static_cast<size_t>(slash - p) == wordLength && !std::strncmp(p, word, wordLength)) return index;
    p = slash + 1;
    ++index;
  }
  return -1;
}

namespace {
bool Match(std::string_view text, std::string_view expr) {
  if (!expr.empty() && expr.front() == ' ') expr.remove_prefix(1);
  if (!expr.empty() && expr.back() == ' ') expr.remove_suffix(1);
  size_t at = expr.find('&');
  if (at != std::string_view::npos) return Match(text, expr.substr(0, at)) && Match(text, expr.substr(at + 1));
  at = expr.find('|');
  if (at != std::string_view::npos) return Match(text, expr.substr(0, at)) || Match(text, expr.substr(at + 1));
  if (!expr.empty() && expr.front() == '~') return !Match(text, expr.substr(1));
  return text.find(expr) != std::string_view::npos;
}
}  // namespace

int PatternMatchString(const char* text, const char* expr) { return Match(text, expr) ? 1 : 0; }

time_t ParseTimeString(const char* s) {
  int hour = 0, minute = 0, month = 0, day = 0, year = 0, end = -1;
  char suffix[8] = "";
  bool dated = false;
  // The forms are tried in order; each must match up to its closing ">".
  if (end = -1,
      std::sscanf(s, "<%d:%d%7[a-zA-Z] %d/%d/%d>%n", &hour, &minute, suffix, &month, &day, &year, &end) == 6 &&
          end >= 0) {
    dated = true;
  } else if (suffix[0] = 0, end = -1,
             std::sscanf(s, "<%d:%d %d/%d/%d>%n", &hour, &minute, &month, &day, &year, &end) == 5 && end >= 0) {
    dated = true;
  } else if (suffix[0] = 0, end = -1,
             std::sscanf(s, "<%d:%d%7[a-zA-Z]>%n", &hour, &minute, suffix, &end) == 3 && end >= 0) {
  } else if (suffix[0] = 0, end = -1, std::sscanf(s, "<%d:%d>%n", &hour, &minute, &end) == 2 && end >= 0) {
  } else {
    return -1;
  }
  if (!CaseCompare(suffix, "pm") && hour < 12) hour += 12;
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59) return -1;
  time_t now = std::time(nullptr);
  struct tm t;
  localtime_r(&now, &t);
  t.tm_hour = hour;
  t.tm_min = minute;
  t.tm_sec = 0;
  t.tm_isdst = -1;
  if (dated) {
    if (month < 1 || month > 12 || day < 1 || day > 31 || year < 0) return -1;
    if (year < 100) year += 2000;
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
  }
  return std::mktime(&t);
}
