// The product's values in the settings store, all under HKEY_CURRENT_USER
// RegistryKeyName, and the one place that reads and writes them:
//
//   "InstallationDirectory"  string  the installation, ending in a separator
//   "ProxyAddress"           string  HTTP proxy host, no scheme
//   "ProxyPort"              dword   HTTP proxy port, -1 when none entered
//   "UseProxy"               dword   1: updates go through the HTTP proxy
//   "ProxyAuthorization"     string  Base64 of "user:password", "" when none
//   "SocksProxyAddress"      string  SOCKS5 host for the game
//   "SocksProxyPort"         dword   SOCKS5 port
//   "GameUsesProxy"          dword   1: the game logs on through SOCKS5
//
// Reading opens the key; writing creates it when missing. A key or value that
// cannot be read gives its default, a write that cannot be made does nothing.
#pragma once

#include <cstdint>
#include <string>

#include "platform/settings_store.h"

extern const char* RegistryKeyName;  // "Software\\Quorvel Online"

// The read buffer of a string value: a stored string has at most 127
// characters as read (a longer one is cut there).
constexpr int kKeyValueStringSize = 128;
// The authorization is read into a larger buffer: the Base64 form of the
// longest accepted credential is 340 characters.
constexpr int kAuthorizationSize = 512;

// The string value name under the product key, or "" when the key or value
// cannot be read. The result lives in one static buffer, overwritten by the
// next call; a longer stored string is cut to 127 characters.
const char* GetKeyValueString(const char* name);
// The 32-bit value name under the product key, or -1 when the key or value
// cannot be read (or is not a 32-bit value).
int GetKeyValue(const char* name);
// Reads a string value of the product key into buffer (size bytes, always
// NUL-terminated, cut when longer). False when it cannot be read.
bool ReadProductString(const char* name, char* buffer, int size);

// A value of any key of the store, the key created when missing; the store's
// status (ERROR_SUCCESS when written). A string is written with its NUL.
long WriteStoreString(HKEY hive, const char* key, const char* name, const char* text);
long WriteStoreDword(HKEY hive, const char* key, const char* name, uint32_t value);
// The same under the product key; false when it cannot be written.
bool SetProductString(const char* name, const char* text);
bool SetProductDword(const char* name, int value);

// "InstallationDirectory" as read (127 characters at most), "" when absent.
std::string ReadInstallationDirectory();
void WriteInstallationDirectory(const char* directory);
// Deletes the product key with every value, then empties
// "InstallationDirectory" should the key still open.
void DeleteProductKey();

// The connection values, loaded and saved together. The defaults are what an
// absent value reads as.
struct ConnectionSettings {
  std::string proxyAddress;  // at most kKeyValueStringSize - 1 characters as read
  int proxyPort = -1;
  int useProxy = 0;
  std::string authorization;  // at most kAuthorizationSize - 1 characters as read
  std::string socksAddress;   // at most kKeyValueStringSize - 1 characters as read
  int socksPort = -1;
  int gameUsesProxy = 0;
};

ConnectionSettings LoadConnectionSettings();
// "ProxyAuthorization" alone: the log-on window stores and erases the
// credential at once, whatever becomes of the settings window.
bool SaveProxyAuthorization(const char* base64);
// Writes every value; "SocksProxyPort" only when socksPort is not -1. False
// when the key cannot be created (nothing is written then).
bool SaveConnectionSettings(const ConnectionSettings& settings);
