#include "platform/desktop_entry.h"

#include <cstdio>

std::vector<std::string> SplitCommandLine(std::string_view text) {
  std::vector<std::string> out;
  std::string current;
  bool inArgument = false, quoted = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\\' && i + 1 < text.size() && text[i + 1] == '"') {
      current += '"';
      inArgument = true;
      ++i;
    } else if (c == '"') {
      quoted = !quoted;
      inArgument = true;
    } else if ((c == ' ' || c == '\t') && !quoted) {
      if (inArgument) out.push_back(current);
      current.clear();
      inArgument = false;
    } else {
      current += c;
      inArgument = true;
    }
  }
  if (inArgument) out.push_back(current);
  return out;
}

std::string QuoteExecArgument(std::string_view argument) {
  // Reserved characters of the Exec key: an argument holding one is quoted.
  constexpr std::string_view kReserved = " \t\n\"'\\><~|&;$*?#()`";
  bool needsQuotes = argument.empty() || argument.find_first_of(kReserved) != std::string_view::npos;
  std::string out;
  if (needsQuotes) out += '"';
  for (char c : argument) {
    if (c == '%') {
      out += "%%";
      continue;
    }
    // Inside quotes, these four are escaped with a backslash.
    if (needsQuotes && (c == '"' || c == '`' || c == '$' || c == '\\')) out += '\\';
    out += c;
  }
  if (needsQuotes) out += '"';
  return out;
}

std::string ExecLine(std::string_view program, const std::vector<std::string>& arguments) {
  std::string out = QuoteExecArgument(program);
  for (const std::string& a : arguments) {
    out += ' ';
    out += QuoteExecArgument(a);
  }
  return out;
}

std::string EscapeDesktopString(std::string_view value) {
  std::string out;
  for (size_t i = 0; i < value.size(); ++i) {
    const char c = value[i];
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\t': out += "\\t"; break;
      case '\r': out += "\\r"; break;
      case ' ': out += i == 0 ? "\\s" : " "; break;
      default: out += c;
    }
  }
  return out;
}

std::string FileUrl(std::string_view absolutePath) {
  std::string out = "file://";
  for (unsigned char c : absolutePath) {
    const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
                       c == '.' || c == '_' || c == '~' || c == '/';
    if (plain) {
      out += char(c);
    } else {
      char buf[4];
      std::snprintf(buf, sizeof buf, "%%%02X", c);
      out += buf;
    }
  }
  return out;
}

namespace {
bool HasUnwritableByte(std::string_view text) {
  for (unsigned char c : text)
    if ((c < 0x20 && c != '\t' && c != '\n' && c != '\r') || c == 0x7F) return true;
  return false;
}
}  // namespace

bool DesktopEntryIsWritable(const DesktopEntry& entry) {
  return !HasUnwritableByte(entry.name) && !HasUnwritableByte(entry.target) &&
         !HasUnwritableByte(entry.workingDirectory) && !HasUnwritableByte(entry.arguments);
}

std::string FormatDesktopEntry(const DesktopEntry& entry) {
  std::string out = "[Desktop Entry]\n";
  out += "Version=1.0\n";
  out += entry.application ? "Type=Application\n" : "Type=Link\n";
  out += "Name=" + EscapeDesktopString(entry.name) + "\n";
  if (entry.application) {
    out += "Exec=" + EscapeDesktopString(ExecLine(entry.target, SplitCommandLine(entry.arguments))) + "\n";
    if (!entry.workingDirectory.empty()) out += "Path=" + EscapeDesktopString(entry.workingDirectory) + "\n";
    out += "Terminal=false\n";
  } else {
    out += "URL=" + EscapeDesktopString(FileUrl(entry.target)) + "\n";
  }
  return out;
}
