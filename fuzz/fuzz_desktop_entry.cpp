// The desktop-entry writer against an independent reader of the format. The
// input is NUL-separated fields: a flag byte, then the name, the target, the
// working directory and the link's argument text; any further fields are an
// argument vector for ExecLine directly. Whatever the writer produces must be
// plain lines of key=value with no control byte in them, and read back by
// the string-unescaping rule, then the Exec unquoting rule (double quotes,
// backslash before " ` $ \, "%%" a literal percent), exactly as the values
// went in: the program and the split arguments, the name, the directory, the
// file URL's path.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_runtime.h"
#include "platform/desktop_entry.h"

namespace {

bool IsControl(unsigned char c) { return c < 0x20 || c == 0x7F; }

// The escapes of a string value: \s \n \t \r \\; any other backslash pair is
// not something the writer may produce.
std::optional<std::string> Unescape(std::string_view v) {
  std::string out;
  for (size_t i = 0; i < v.size(); ++i) {
    if (v[i] != '\\') {
      out += v[i];
      continue;
    }
    if (++i == v.size()) return std::nullopt;
    switch (v[i]) {
      case 's': out += ' '; break;
      case 'n': out += '\n'; break;
      case 't': out += '\t'; break;
      case 'r': out += '\r'; break;
      case '\\': out += '\\'; break;
      default: return std::nullopt;
    }
  }
  return out;
}

// The Exec key's arguments after string unescaping. An unquoted argument may
// not hold a reserved character, a quoted one may only escape the four, and
// '%' only appears doubled (the writer adds no field codes).
std::optional<std::vector<std::string>> UnquoteExec(std::string_view v) {
  constexpr std::string_view kReserved = " \t\n\"'\\><~|&;$*?#()`";
  std::vector<std::string> args;
  size_t i = 0;
  while (i < v.size()) {
    std::string arg;
    if (v[i] == '"') {
      for (++i;; ++i) {
        if (i == v.size()) return std::nullopt;
        const char c = v[i];
        if (c == '"') break;
        if (c == '\\') {
          if (++i == v.size()) return std::nullopt;
          const char e = v[i];
          if (e != '"' && e != '`' && e != '$' && e != '\\') return std::nullopt;
          arg += e;
        } else if (c == '`' || c == '$') {
          return std::nullopt;
        } else {
          arg += c;
        }
      }
      ++i;
    } else {
      for (; i < v.size() && v[i] != ' '; ++i) {
        if (kReserved.find(v[i]) != std::string_view::npos) return std::nullopt;
        arg += v[i];
      }
    }
    if (i < v.size()) {
      if (v[i] != ' ') return std::nullopt;  // a quote must end its argument
      if (++i == v.size()) return std::nullopt;
    }
    // Field codes: only the literal percent.
    std::string expanded;
    for (size_t k = 0; k < arg.size(); ++k) {
      if (arg[k] == '%') {
        if (k + 1 == arg.size() || arg[k + 1] != '%') return std::nullopt;
        ++k;
      }
      expanded += arg[k];
    }
    args.push_back(expanded);
  }
  return args;
}

std::optional<std::string> FromFileUrl(std::string_view url) {
  constexpr std::string_view kScheme = "file://";
  if (url.substr(0, kScheme.size()) != kScheme) return std::nullopt;
  std::string out;
  for (size_t i = kScheme.size(); i < url.size(); ++i) {
    if (url[i] != '%') {
      out += url[i];
      continue;
    }
    if (i + 2 >= url.size()) return std::nullopt;
    const std::string hex(url.substr(i + 1, 2));
    char* end = nullptr;
    const long byte = std::strtol(hex.c_str(), &end, 16);
    if (end != hex.c_str() + 2) return std::nullopt;
    out += char(byte);
    i += 2;
  }
  return out;
}

void CheckExec(std::string_view escaped, const std::vector<std::string>& expected) {
  for (unsigned char c : escaped)
    if (IsControl(c)) abort();
  const std::optional<std::string> unescaped = Unescape(escaped);
  if (!unescaped) abort();
  const std::optional<std::vector<std::string>> args = UnquoteExec(*unescaped);
  if (!args || *args != expected) abort();
}

}  // namespace

QUORVEL_FUZZ_STARTUP

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);
  std::vector<std::string> fields;
  for (size_t at = 0;;) {
    const size_t nul = rest.find('\0', at);
    fields.emplace_back(rest.substr(at, nul == std::string_view::npos ? std::string_view::npos : nul - at));
    if (nul == std::string_view::npos) break;
    at = nul + 1;
  }
  fields.resize(std::max<size_t>(fields.size(), 4));

  DesktopEntry entry;
  entry.application = data[0] & 1;
  entry.name = fields[0];
  entry.target = fields[1];
  entry.workingDirectory = fields[2];
  entry.arguments = fields[3];

  // ExecLine on any program and arguments, the string escaping applied.
  std::vector<std::string> direct(fields.begin() + 1, fields.end());
  direct.erase(direct.begin() + 1, direct.begin() + 3);  // the target, then fields 4...
  bool directRepresentable = true;
  for (const std::string& a : direct)
    for (unsigned char c : a) directRepresentable &= !IsControl(c) || c == '\t' || c == '\n' || c == '\r';
  if (directRepresentable)
    CheckExec(EscapeDesktopString(ExecLine(direct[0], std::vector<std::string>(direct.begin() + 1, direct.end()))),
              direct);

  if (!DesktopEntryIsWritable(entry)) return 0;
  const std::string text = FormatDesktopEntry(entry);
  std::map<std::string, std::string> keys;
  size_t at = 0;
  bool first = true;
  while (at < text.size()) {
    const size_t lf = text.find('\n', at);
    if (lf == std::string::npos) abort();  // every line ends
    const std::string_view line(text.data() + at, lf - at);
    at = lf + 1;
    for (unsigned char c : line)
      if (IsControl(c)) abort();
    if (first) {
      if (line != "[Desktop Entry]") abort();
      first = false;
      continue;
    }
    const size_t eq = line.find('=');
    if (eq == std::string_view::npos || eq == 0) abort();
    const std::string key(line.substr(0, eq));
    if (keys.count(key)) abort();
    const std::string_view value = line.substr(eq + 1);
    if (!value.empty() && (value.front() == ' ' || value.front() == '\t')) abort();  // readers trim it
    keys[key] = std::string(value);
  }
  const std::optional<std::string> name = Unescape(keys["Name"]);
  if (!name || *name != entry.name) abort();
  if (entry.application) {
    std::vector<std::string> expected = {entry.target};
    for (std::string& a : SplitCommandLine(entry.arguments)) expected.push_back(std::move(a));
    CheckExec(keys["Exec"], expected);
    if (keys.count("Path")) {
      const std::optional<std::string> path = Unescape(keys["Path"]);
      if (!path || *path != entry.workingDirectory || path->empty()) abort();
    } else if (!entry.workingDirectory.empty()) {
      abort();
    }
    if (keys.count("URL")) abort();
  } else {
    const std::optional<std::string> url = Unescape(keys["URL"]);
    if (!url) abort();
    const std::optional<std::string> path = FromFileUrl(*url);
    if (!path || *path != entry.target) abort();
    if (keys.count("Exec") || keys.count("Path")) abort();
  }
  return 0;
}
