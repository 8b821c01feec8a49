// The settings store's data model and its text format, as pure functions on
// bytes (no I/O here; settings_store_*.cpp reads and writes the file).
//
// The model is that of the registry: two hives, keys with subkeys, and named
// string or 32-bit values. Key and value names compare without regard to
// ASCII case and keep the case they were created with.
//
// The text format (documented for operators in the README):
//
//   # comment                       lines starting with '#' or ';', and blank lines
//   [HKEY_CURRENT_USER\Software\Quorvel Online]
//   "InstallationDirectory"="/home/ann/.local/share/Tellurant/Quorvel Online/"
//   "ProxyPort"=dword:ffffffff
//
// A section line names a key by its full path, hive first, components joined
// by '\'; it ends at the line's last ']'. A key name holds no '\', no NUL and
// no line end. Value lines belong to the section above them. Names and string
// data are in double quotes with the escapes \\ \" \n \r \t and \xHH (two hex
// digits, any byte); every other byte stands for itself. A 32-bit value is
// "dword:" and exactly eight hex digits. A line ending in CR LF is read like
// one ending in LF.
//
// Reading is forgiving: a line that does not follow the format (binary bytes,
// a line cut off before its closing quote, an unknown escape, a line over
// kSettingsMaxLineBytes) is dropped and counted, and every other entry is
// kept. Writing produces the canonical form: keys sorted by path, values in
// the order they were first set, comments not kept.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

// Value types, with the registry's numbers.
enum SettingsValueType : uint32_t {
  kSettingsString = 1,  // REG_SZ
  kSettingsDword = 4,   // REG_DWORD
};

// Limits that keep every line of the file short and every read bounded.
constexpr size_t kSettingsMaxNameBytes = 255;        // a key component or a value name
constexpr size_t kSettingsMaxStringBytes = 16384;    // string data
constexpr size_t kSettingsMaxLineBytes = 80 * 1024;  // longest line the reader accepts
constexpr size_t kSettingsMaxFileBytes = 8u << 20;   // the reader looks at no more than this

struct SettingsValue {
  std::string name;
  SettingsValueType type = kSettingsString;
  std::string text;    // string data (no terminating NUL)
  uint32_t dword = 0;  // 32-bit data
};

struct SettingsKey {
  std::string path;                   // as created: "HKEY_CURRENT_USER\Software\Quorvel Online"
  std::vector<SettingsValue> values;  // in the order first set

  const SettingsValue* Find(std::string_view name) const;
  SettingsValue* Find(std::string_view name);
  void Set(const SettingsValue& value);  // replaces a value of the same name, keeping its place
  bool Erase(std::string_view name);
};

// The whole store. Every key is listed, including keys that exist only
// because they have subkeys (they are created with them).
class SettingsTree {
 public:
  // Key paths are canonical paths (CanonicalSettingsPath).
  const SettingsKey* Find(std::string_view path) const;
  SettingsKey* Find(std::string_view path);
  // Creates the key and every missing parent below its hive; returns it.
  SettingsKey& Create(std::string_view path);
  // Removes the key and every key below it. False when it did not exist.
  bool EraseWithSubkeys(std::string_view path);
  bool Exists(std::string_view path) const { return Find(path) != nullptr; }
  bool empty() const { return keys_.empty(); }
  // Keys in the file's order (sorted by path without regard to case).
  std::vector<const SettingsKey*> Keys() const;
  bool operator==(const SettingsTree& other) const;

 private:
  std::map<std::string, SettingsKey> keys_;  // by lower-cased path
};

// The hives' names; "HKCU" and "HKLM" are accepted as input too.
constexpr const char* kHiveCurrentUser = "HKEY_CURRENT_USER";
constexpr const char* kHiveLocalMachine = "HKEY_LOCAL_MACHINE";

// The canonical form of a key path: the hive's full name, then the non-empty
// components joined by '\' ('/' is not a separator). "" when the path does
// not start with a known hive, or a component is too long or holds a NUL or
// a line end.
std::string CanonicalSettingsPath(std::string_view path);
// Joins a canonical key path and a relative subkey path; "" when invalid.
std::string JoinSettingsPath(std::string_view parent, std::string_view subKey);

struct SettingsParseResult {
  SettingsTree tree;
  size_t droppedLines = 0;  // lines that did not follow the format
  bool truncated = false;   // the input was cut at kSettingsMaxFileBytes
  bool damaged() const { return droppedLines != 0 || truncated; }
};

// Reads the text format. truncated says that the bytes are the first
// kSettingsMaxFileBytes of a longer file (its last, cut line is dropped).
SettingsParseResult ParseSettingsText(std::string_view bytes, bool truncated = false);
// Writes the canonical text form, with a comment line at the top unless
// withHeader is false.
std::string FormatSettingsText(const SettingsTree& tree, bool withHeader = true);
// One value line ("\"name\"=..."), without the line end.
std::string FormatSettingsValue(const SettingsValue& value);
