#include "update/product_key.h"

#include <cstring>
#include <vector>

#include "platform/settings_store.h"

const char* RegistryKeyName = "Software\\Quorvel Online";

bool ReadProductString(const char* name, char* buffer, int size) {
  if (size <= 0) return false;
  buffer[0] = '\0';
  HKEY key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, RegistryKeyName, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return false;
  DWORD type = 0, needed = 0;
  bool ok = RegQueryValueExA(key, name, nullptr, &type, nullptr, &needed) == ERROR_SUCCESS && type == REG_SZ;
  if (ok) {
    // Read whole, then cut as a fixed buffer would: a value longer than the
    // buffer is never written past it.
    std::vector<unsigned char> whole(needed + 1);
    DWORD got = needed;
    ok = RegQueryValueExA(key, name, nullptr, &type, whole.data(), &got) == ERROR_SUCCESS;
    if (ok) {
      const size_t n = strnlen(reinterpret_cast<const char*>(whole.data()), whole.size());
      const size_t keep = n < size_t(size - 1) ? n : size_t(size - 1);
      std::memcpy(buffer, whole.data(), keep);
      buffer[keep] = '\0';
    }
  }
  RegCloseKey(key);
  return ok;
}

const char* GetKeyValueString(const char* name) {
  static char result[kKeyValueStringSize];
  if (!ReadProductString(name, result, sizeof result)) result[0] = '\0';
  return result;
}

int GetKeyValue(const char* name) {
  HKEY key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, RegistryKeyName, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return -1;
  int32_t value = -1;
  DWORD type = 0, size = sizeof value;
  const long status = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<unsigned char*>(&value), &size);
  RegCloseKey(key);
  return status == ERROR_SUCCESS && type == REG_DWORD ? value : -1;
}
