#include "transport/http_header_file.h"

#include <cstdlib>
#include <cstring>

#include "transport/http_response.h"

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
  std::string lines;
  ForEachLine(text, 0, [&](const std::string& line) {
    if (line.size() < 3) return false;
    lines += line;
    return true;
  });
  // Field names in any case, as servers and the proxies before them send
  // them; the first line of a name counts.
  std::string date;
  if (FindHttpField(lines, "Last-Modified", &date)) {
    // A date goes back to the server in every later request: one that is
    // overlong or carries control bytes would break (or bend) those
    // requests for good, so it is not used, and the file is fetched whole.
    bool usable = date.size() <= kMaxStoredDate;
    for (char c : date) usable = usable && static_cast<unsigned char>(c) >= 32;
    if (usable) {
      info.has_last_modified = true;
      info.last_modified = date;
    }
  }
  std::string length;
  if (FindHttpField(lines, "Content-Length", &length) && !length.empty() && length.size() <= 18 &&
      length.find_first_not_of("0123456789") == std::string::npos) {
    info.has_content_length = true;
    info.content_length = std::strtoll(length.c_str(), nullptr, 10);
  }
  return info;
}
