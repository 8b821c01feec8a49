#include "update/product_key.h"

#include <cstring>
#include <vector>

const char* RegistryKeyName = "Software\\Quorvel Online";

namespace {
// A 32-bit value of the product key; false when it cannot be read.
bool ReadProductDword(const char* name, int* out) {
  HKEY key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, RegistryKeyName, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return false;
  int32_t value = -1;
  DWORD type = 0, size = sizeof value;
  const long status = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<unsigned char*>(&value), &size);
  RegCloseKey(key);
  if (status != ERROR_SUCCESS || type != REG_DWORD) return false;
  *out = value;
  return true;
}

std::string ProductString(const char* name, int size) {
  std::vector<char> buffer(size);
  ReadProductString(name, buffer.data(), size);
  return buffer.data();
}
}  // namespace

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
  int value = -1;
  return ReadProductDword(name, &value) ? value : -1;
}

long WriteStoreString(HKEY hive, const char* keyName, const char* name, const char* text) {
  HKEY key;
  long status = RegCreateKeyA(hive, keyName, &key);
  if (status != ERROR_SUCCESS) return status;
  status =
      RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const unsigned char*>(text), DWORD(std::strlen(text) + 1));
  RegCloseKey(key);
  return status;
}

long WriteStoreDword(HKEY hive, const char* keyName, const char* name, uint32_t value) {
  HKEY key;
  long status = RegCreateKeyA(hive, keyName, &key);
  if (status != ERROR_SUCCESS) return status;
  status = RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const unsigned char*>(&value), 4);
  RegCloseKey(key);
  return status;
}

bool SetProductString(const char* name, const char* text) {
  return WriteStoreString(HKEY_CURRENT_USER, RegistryKeyName, name, text) == ERROR_SUCCESS;
}

bool SetProductDword(const char* name, int value) {
  return WriteStoreDword(HKEY_CURRENT_USER, RegistryKeyName, name, uint32_t(value)) == ERROR_SUCCESS;
}

std::string ReadInstallationDirectory() { return ProductString("InstallationDirectory", kKeyValueStringSize); }

void WriteInstallationDirectory(const char* directory) { SetProductString("InstallationDirectory", directory); }

void DeleteProductKey() {
  RegDeleteKeyA(HKEY_CURRENT_USER, RegistryKeyName);
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, RegistryKeyName, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
    RegSetValueExA(key, "InstallationDirectory", 0, REG_SZ, reinterpret_cast<const unsigned char*>(""), 1);
    RegCloseKey(key);
  }
}

ConnectionSettings LoadConnectionSettings() {
  ConnectionSettings s;
  s.proxyAddress = ProductString("ProxyAddress", kKeyValueStringSize);
  s.socksAddress = ProductString("SocksProxyAddress", kKeyValueStringSize);
  s.authorization = ProductString("ProxyAuthorization", kAuthorizationSize);
  ReadProductDword("ProxyPort", &s.proxyPort);
  ReadProductDword("UseProxy", &s.useProxy);
  ReadProductDword("SocksProxyPort", &s.socksPort);
  ReadProductDword("GameUsesProxy", &s.gameUsesProxy);
  return s;
}

bool SaveProxyAuthorization(const char* base64) { return SetProductString("ProxyAuthorization", base64); }

bool SaveConnectionSettings(const ConnectionSettings& s) {
  HKEY key;
  if (RegCreateKeyA(HKEY_CURRENT_USER, RegistryKeyName, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  SetProductString("ProxyAddress", s.proxyAddress.c_str());
  SetProductString("SocksProxyAddress", s.socksAddress.c_str());
  SetProductDword("ProxyPort", s.proxyPort);
  if (s.socksPort != -1) SetProductDword("SocksProxyPort", s.socksPort);
  SetProductDword("UseProxy", s.useProxy);
  SetProductDword("GameUsesProxy", s.gameUsesProxy);
  SaveProxyAuthorization(s.authorization.c_str());
  return true;
}
