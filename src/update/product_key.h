// The product's values in the settings store: HKEY_CURRENT_USER under
// RegistryKeyName holds the installation directory and the connection
// settings.
#pragma once

extern const char* RegistryKeyName;  // "Software\\Quorvel Online"

// The read buffer of a string value: a stored string has at most 127
// characters as read (a longer one is cut there).
constexpr int kKeyValueStringSize = 128;

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
