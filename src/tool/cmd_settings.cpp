// quorvel-tool settings list|get|set|delete: the settings store as the
// launcher sees it, read and written with the same locking and atomic
// rewrites. KEY is a full key path, hive first:
//   'HKEY_CURRENT_USER\Software\Quorvel Online'
// get prints a string value as it is and a 32-bit value in signed decimal.
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/settings_store.h"
#include "tool/tool_command.h"
#include "update/product_key.h"

namespace {
int Run(int argc, char** argv);
const ToolCommand kCommand = {
    "settings", "settings list | get KEY NAME | set KEY NAME VALUE [--dword] | delete KEY [NAME]",
    "show or change the settings store (KEY as 'HKEY_CURRENT_USER\\Software\\Quorvel Online')", Run};
ToolCommandRegistration reg(kCommand);

// Splits a full key path into its hive's handle and the path below it.
bool SplitKey(const char* text, HKEY* hive, std::string* subKey) {
  const std::string path = CanonicalSettingsPath(text);
  if (path.empty()) return false;
  const size_t cut = path.find('\\');
  *hive = path.compare(0, cut, kHiveCurrentUser) == 0 ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
  *subKey = cut == std::string::npos ? "" : path.substr(cut + 1);
  return true;
}

const char* ErrorText(long status) {
  switch (status) {
    case ERROR_FILE_NOT_FOUND: return "not found";
    case ERROR_ACCESS_DENIED: return "access denied";
    case ERROR_INVALID_PARAMETER: return "invalid name or value";
    case ERROR_PATH_NOT_FOUND: return "the store's folder cannot be created";
    case ERROR_KEY_DELETED: return "the key was deleted";
    default: return "the store cannot be written";
  }
}

bool ParseDword(const char* text, uint32_t* value) {
  errno = 0;
  char* end = nullptr;
  if (text[0] == '-') {
    const long long v = std::strtoll(text, &end, 10);
    if (errno || *end || end == text || v < INT32_MIN) return false;
    *value = uint32_t(int32_t(v));
    return true;
  }
  const unsigned long long v = std::strtoull(text, &end, 0);
  if (errno || *end || end == text || v > UINT32_MAX) return false;
  *value = uint32_t(v);
  return true;
}

int List() {
  SettingsTree tree;
  long status = ReadSettingsStore(tree);
  if (status != ERROR_SUCCESS) return ToolError("%s: %s", SettingsStorePath().c_str(), ErrorText(status));
  const std::string text = FormatSettingsText(tree, false);
  std::fwrite(text.data(), 1, text.size(), stdout);
  return 0;
}

int Get(const char* keyText, const char* name) {
  HKEY hive, key;
  std::string sub;
  if (!SplitKey(keyText, &hive, &sub)) return ToolError("%s: not a key path (start with HKEY_CURRENT_USER)", keyText);
  long status = RegOpenKeyExA(hive, sub.c_str(), 0, KEY_READ, &key);
  if (status != ERROR_SUCCESS) return ToolError("%s: %s", keyText, ErrorText(status));
  DWORD type = 0, size = 0;
  status = RegQueryValueExA(key, name, nullptr, &type, nullptr, &size);
  std::vector<unsigned char> data(size + 1);
  if (status == ERROR_SUCCESS) status = RegQueryValueExA(key, name, nullptr, &type, data.data(), &size);
  RegCloseKey(key);
  if (status != ERROR_SUCCESS) return ToolError("%s: %s: %s", keyText, name, ErrorText(status));
  if (type == REG_DWORD) {
    int32_t v;
    std::memcpy(&v, data.data(), 4);
    std::printf("%" PRId32 "\n", v);
  } else {
    std::printf("%s\n", reinterpret_cast<const char*>(data.data()));
  }
  return 0;
}

int Set(const char* keyText, const char* name, const char* valueText, bool dword) {
  HKEY hive;
  std::string sub;
  if (!SplitKey(keyText, &hive, &sub) || sub.empty()) return ToolError("%s: not a key path below a hive", keyText);
  uint32_t number = 0;
  if (dword && !ParseDword(valueText, &number))
    return ToolError("%s: not a 32-bit number (decimal, negative, or 0x hex)", valueText);
  // Written as the launcher writes its own values.
  const long status =
      dword ? WriteStoreDword(hive, sub.c_str(), name, number) : WriteStoreString(hive, sub.c_str(), name, valueText);
  if (status != ERROR_SUCCESS) return ToolError("%s: %s: %s", keyText, name, ErrorText(status));
  return 0;
}

int Delete(const char* keyText, const char* name) {
  HKEY hive, key;
  std::string sub;
  if (!SplitKey(keyText, &hive, &sub) || sub.empty()) return ToolError("%s: not a key path below a hive", keyText);
  long status;
  if (name) {
    status = RegOpenKeyExA(hive, sub.c_str(), 0, KEY_WRITE, &key);
    if (status == ERROR_SUCCESS) {
      status = RegDeleteValueA(key, name);
      RegCloseKey(key);
    }
  } else {
    status = RegDeleteKeyA(hive, sub.c_str());
  }
  if (status != ERROR_SUCCESS)
    return ToolError("%s%s%s: %s", keyText, name ? ": " : "", name ? name : "", ErrorText(status));
  return 0;
}

int Run(int argc, char** argv) {
  if (WantsHelp(argc, argv)) return ToolHelp(kCommand);
  std::vector<const char*> args;
  bool dword = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--dword") == 0) {
      dword = true;
    } else {
      args.push_back(argv[i]);
    }
  }
  const std::string verb = args.empty() ? "" : args[0];
  const size_t n = args.size();
  if (verb == "list" && n == 1 && !dword) return List();
  if (verb == "get" && n == 3 && !dword) return Get(args[1], args[2]);
  if (verb == "set" && n == 4) return Set(args[1], args[2], args[3], dword);
  if (verb == "delete" && (n == 2 || n == 3) && !dword) return Delete(args[1], n == 3 ? args[2] : nullptr);
  return ToolError("usage: quorvel-tool %s", kCommand.usage);
}
}  // namespace
