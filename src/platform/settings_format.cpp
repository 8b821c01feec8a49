#include "platform/settings_format.h"

#include <algorithm>
#include <cstdio>
#include <set>

namespace {
std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  return out;
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = char(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = char(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

bool ValidComponent(std::string_view c) {
  if (c.empty() || c.size() > kSettingsMaxNameBytes) return false;
  for (char ch : c)
    if (ch == '\0' || ch == '\n' || ch == '\r' || ch == '\\') return false;
  return true;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

void AppendEscaped(std::string& out, std::string_view s) {
  out += '"';
  for (unsigned char c : s) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '"': out += "\\\""; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20 || c == 0x7f) {
          char buf[5];
          std::snprintf(buf, sizeof buf, "\\x%02x", c);
          out += buf;
        } else {
          out += char(c);
        }
    }
  }
  out += '"';
}

// Reads a quoted, escaped text at line[pos]; pos ends after the closing quote.
bool ReadQuoted(std::string_view line, size_t& pos, std::string& out, size_t limit) {
  if (pos >= line.size() || line[pos] != '"') return false;
  ++pos;
  out.clear();
  while (pos < line.size()) {
    const char c = line[pos++];
    if (c == '"') return true;
    if (c != '\\') {
      out += c;
    } else {
      if (pos >= line.size()) return false;
      const char e = line[pos++];
      switch (e) {
        case '\\': out += '\\'; break;
        case '"': out += '"'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'x': {
          if (pos + 2 > line.size()) return false;
          const int hi = HexDigit(line[pos]), lo = HexDigit(line[pos + 1]);
          if (hi < 0 || lo < 0) return false;
          out += char(hi * 16 + lo);
          pos += 2;
          break;
        }
        default: return false;  // an unknown escape: the line is not ours
      }
    }
    if (out.size() > limit) return false;
  }
  return false;  // cut off before the closing quote
}

bool ParseValueLine(std::string_view line, SettingsValue& value) {
  size_t pos = 0;
  if (!ReadQuoted(line, pos, value.name, kSettingsMaxNameBytes)) return false;
  if (pos >= line.size() || line[pos] != '=') return false;
  ++pos;
  if (pos < line.size() && line[pos] == '"') {
    value.type = kSettingsString;
    if (!ReadQuoted(line, pos, value.text, kSettingsMaxStringBytes)) return false;
    return pos == line.size();
  }
  constexpr std::string_view kDword = "dword:";
  if (line.substr(pos, kDword.size()) != kDword) return false;
  pos += kDword.size();
  if (line.size() - pos != 8) return false;
  uint32_t v = 0;
  for (; pos < line.size(); ++pos) {
    const int d = HexDigit(line[pos]);
    if (d < 0) return false;
    v = v * 16 + uint32_t(d);
  }
  value.type = kSettingsDword;
  value.dword = v;
  value.text.clear();
  return true;
}

bool HasRawControlBytes(std::string_view line) {
  for (unsigned char c : line)
    if ((c < 0x20 && c != '\t') || c == 0x7f) return true;
  return false;
}
}  // namespace

const SettingsValue* SettingsKey::Find(std::string_view name) const {
  for (const SettingsValue& v : values)
    if (SameName(v.name, name)) return &v;
  return nullptr;
}

SettingsValue* SettingsKey::Find(std::string_view name) {
  for (SettingsValue& v : values)
    if (SameName(v.name, name)) return &v;
  return nullptr;
}

void SettingsKey::Set(const SettingsValue& value) {
  if (SettingsValue* old = Find(value.name)) {
    const std::string name = old->name;  // the first spelling stays
    *old = value;
    old->name = name;
  } else {
    values.push_back(value);
  }
}

bool SettingsKey::Erase(std::string_view name) {
  for (auto it = values.begin(); it != values.end(); ++it)
    if (SameName(it->name, name)) {
      values.erase(it);
      return true;
    }
  return false;
}

const SettingsKey* SettingsTree::Find(std::string_view path) const {
  auto it = keys_.find(Lower(path));
  return it == keys_.end() ? nullptr : &it->second;
}

SettingsKey* SettingsTree::Find(std::string_view path) {
  auto it = keys_.find(Lower(path));
  return it == keys_.end() ? nullptr : &it->second;
}

SettingsKey& SettingsTree::Create(std::string_view path) {
  // Parents first, so that every key of the file is listed; the hive itself
  // is not a key of the file.
  size_t cut = path.find('\\');
  while (cut != std::string_view::npos) {
    size_t next = path.find('\\', cut + 1);
    if (next == std::string_view::npos) break;
    std::string_view parent = path.substr(0, next);
    auto [it, added] = keys_.try_emplace(Lower(parent));
    if (added) it->second.path = std::string(parent);
    cut = next;
  }
  auto [it, added] = keys_.try_emplace(Lower(path));
  if (added) it->second.path = std::string(path);
  return it->second;
}

bool SettingsTree::EraseWithSubkeys(std::string_view path) {
  const std::string key = Lower(path);
  auto it = keys_.find(key);
  if (it == keys_.end()) return false;
  keys_.erase(it);
  // Subkeys sort together after the prefix "key\", though not always right
  // after the key itself ("key-2" may come between).
  const std::string prefix = key + "\\";
  it = keys_.lower_bound(prefix);
  while (it != keys_.end() && it->first.compare(0, prefix.size(), prefix) == 0) it = keys_.erase(it);
  return true;
}

std::vector<const SettingsKey*> SettingsTree::Keys() const {
  std::vector<const SettingsKey*> out;
  for (const auto& [lower, key] : keys_) out.push_back(&key);
  return out;
}

bool SettingsTree::operator==(const SettingsTree& other) const {
  if (keys_.size() != other.keys_.size()) return false;
  for (auto a = keys_.begin(), b = other.keys_.begin(); a != keys_.end(); ++a, ++b) {
    if (a->first != b->first || a->second.values.size() != b->second.values.size()) return false;
    for (size_t i = 0; i < a->second.values.size(); ++i) {
      const SettingsValue &x = a->second.values[i], &y = b->second.values[i];
      if (x.name != y.name || x.type != y.type || x.text != y.text || x.dword != y.dword) return false;
    }
  }
  return true;
}

std::string CanonicalSettingsPath(std::string_view path) {
  size_t cut = path.find('\\');
  std::string_view hive = path.substr(0, cut);
  std::string out;
  if (SameName(hive, kHiveCurrentUser) || SameName(hive, "HKCU")) {
    out = kHiveCurrentUser;
  } else if (SameName(hive, kHiveLocalMachine) || SameName(hive, "HKLM")) {
    out = kHiveLocalMachine;
  } else {
    return "";
  }
  if (cut == std::string_view::npos) return out;
  const std::string joined = JoinSettingsPath(out, path.substr(cut + 1));
  return joined;
}

std::string JoinSettingsPath(std::string_view parent, std::string_view subKey) {
  std::string out(parent);
  size_t start = 0;
  while (start <= subKey.size()) {
    size_t end = subKey.find('\\', start);
    if (end == std::string_view::npos) end = subKey.size();
    std::string_view component = subKey.substr(start, end - start);
    if (!component.empty()) {
      if (!ValidComponent(component)) return "";
      out += '\\';
      out += component;
    }
    start = end + 1;
  }
  return out;
}

SettingsParseResult ParseSettingsText(std::string_view bytes, bool truncated) {
  SettingsParseResult result;
  result.truncated = truncated;
  SettingsKey* section = nullptr;
  bool inBadSection = false;  // values under an unreadable section line are dropped with it
  size_t pos = 0;
  while (pos < bytes.size()) {
    size_t end = bytes.find('\n', pos);
    const bool complete = end != std::string_view::npos;
    if (!complete) end = bytes.size();
    std::string_view line = bytes.substr(pos, end - pos);
    pos = complete ? end + 1 : bytes.size();
    if (!complete && truncated) {  // the cut line is not a whole line
      ++result.droppedLines;
      break;
    }
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.size() > kSettingsMaxLineBytes || HasRawControlBytes(line)) {
      ++result.droppedLines;
      continue;
    }
    size_t first = line.find_first_not_of(" \t");
    if (first == std::string_view::npos || line[first] == '#' || line[first] == ';') continue;
    if (line[0] == '[') {
      const std::string path =
          line.back() == ']' ? CanonicalSettingsPath(line.substr(1, line.size() - 2)) : std::string();
      if (path.empty() || path.find('\\') == std::string::npos) {
        ++result.droppedLines;
        section = nullptr;
        inBadSection = true;
        continue;
      }
      section = &result.tree.Create(path);
      inBadSection = false;
      continue;
    }
    SettingsValue value;
    if (!section || inBadSection || !ParseValueLine(line, value)) {
      ++result.droppedLines;
      continue;
    }
    section->Set(value);
  }
  return result;
}

std::string FormatSettingsValue(const SettingsValue& value) {
  std::string out;
  AppendEscaped(out, value.name);
  out += '=';
  if (value.type == kSettingsDword) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "dword:%08x", value.dword);
    out += buf;
  } else {
    AppendEscaped(out, value.text);
  }
  return out;
}

std::string FormatSettingsText(const SettingsTree& tree, bool withHeader) {
  std::string out = withHeader ? "# Quorvel Online settings. Written by the program; see README for the format.\n" : "";
  // A key without values that has subkeys is implied by them and not written.
  std::set<std::string> parents;
  for (const SettingsKey* key : tree.Keys())
    for (size_t cut = key->path.rfind('\\'); cut != std::string::npos && cut > 0; cut = key->path.rfind('\\', cut - 1))
      parents.insert(Lower(std::string_view(key->path).substr(0, cut)));
  for (const SettingsKey* key : tree.Keys()) {
    if (key->values.empty() && parents.count(Lower(key->path))) continue;
    if (!out.empty()) out += '\n';
    out += '[';
    out += key->path;
    out += "]\n";
    for (const SettingsValue& v : key->values) {
      out += FormatSettingsValue(v);
      out += '\n';
    }
  }
  return out;
}
