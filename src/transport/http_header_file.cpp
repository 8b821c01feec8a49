#include "transport/http_header_file.h"

#include <cstdlib>
#include <cstring>

namespace {
// The longest stored Last-Modified sent back (a real date has 29 characters).
constexpr size_t kMaxStoredDate = 100;

// Calls fn(line with its line end) for each line of text.
template <typename Fn>
void ForEachLine(const std::string& text, size_t from, Fn fn) {
  while (from < text.size()) {
    size_t end = text.find('\n', from);
    size_t next = end == std::string::npos ? text.size() : end + 1;
    if (!fn(text.substr(from, next - from))) return;
    from = next;
  }
}

std::string WithoutLineEnd(const std::string& line) {
  std::string s = line;
  while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
  return s;
}
}  // namespace

std::string HeaderFileText(const std::string& responseHeader) {
  std::string out;
  size_t first = responseHeader.find('\n');
  if (first == std::string::npos) return out;
  ForEachLine(responseHeader, first + 1, [&](const std::string& line) {
    if (line.size() < 3) return false;
    std::string s;
    for (char c : line)
      if (c != '\r' && c != '\n') s += c;
    out += s;
    out += '\n';
    return true;
  });
  return out;
}

HeaderFileInfo ParseHeaderFileText(const std::string& text) {
  HeaderFileInfo info;
  ForEachLine(text, 0, [&](const std::string& line) {
    if (line.size() < 3) return false;
    std::string s = WithoutLineEnd(line);
    size_t lm = s.find("Last-Modified: ");
    if (!info.has_last_modified && lm != std::string::npos) {
      // A date goes back to the server in every later request: one that is
      // overlong or carries control bytes would break (or bend) those
      // requests for good, so it is not used, and the file is fetched whole.
      std::string date = s.substr(lm + 15);
      bool usable = date.size() <= kMaxStoredDate;
      for (char c : date) usable = usable && static_cast<unsigned char>(c) >= 32;
      if (usable) {
        info.has_last_modified = true;
        info.last_modified = date;
      }
    }
    size_t cl = s.find("Content-Length: ");
    if (!info.has_content_length && cl != std::string::npos) {
      const char* digits = s.c_str() + cl + 16;
      char* end = nullptr;
      long v = std::strtol(digits, &end, 10);
      if (end != digits && v >= 0) {
        info.has_content_length = true;
        info.content_length = v;
      }
    }
    return true;
  });
  return info;
}
