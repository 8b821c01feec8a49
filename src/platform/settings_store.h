// The settings store: the registry as the program uses it (two hives, keys
// with subkeys, string and 32-bit values), with the registry's own calls.
//
// On POSIX it is one text file per user, $XDG_CONFIG_HOME/quorvel-online/
// settings.txt (QUORVEL_REGISTRY=FILE names another file), in the format of
// settings_format.h. Every change re-reads the file and rewrites it whole
// while holding an flock on it: a temporary file in the same folder is
// written, flushed and fsynced, renamed over the old one, and the folder is
// fsynced. Readers therefore see the old or the new content, never a mix,
// and two processes never lose each other's changes. The folder is created
// 0700 and the file 0600, since it holds a proxy credential. A damaged file
// is read for what it still holds (one log line says what was dropped);
// before the first rewrite it is kept beside the store as settings.txt.bad.
//
// Three well-known values that Windows keeps are answered from the
// freedesktop folders, so the core reads them as on Windows:
//   HKLM "SOFTWARE\Microsoft\Windows\CurrentVersion" "ProgramFilesDir"
//   HKCU "Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders"
//        "Start Menu" and "Desktop"
// (see known_folders.h). Those keys can always be opened.
//
// Failures are return values (ERROR_* of win32_types.h); nothing here ends
// the program.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/settings_format.h"
#include "platform/win32_types.h"

struct SettingsKeyHandle;
typedef SettingsKeyHandle* HKEY;

#define HKEY_CURRENT_USER (reinterpret_cast<HKEY>(uintptr_t{0x80000001}))
#define HKEY_LOCAL_MACHINE (reinterpret_cast<HKEY>(uintptr_t{0x80000002}))

constexpr DWORD REG_SZ = kSettingsString;
constexpr DWORD REG_DWORD = kSettingsDword;
// Access rights are accepted and not checked: the store has one owner.
constexpr DWORD KEY_QUERY_VALUE = 0x0001;
constexpr DWORD KEY_SET_VALUE = 0x0002;
constexpr DWORD KEY_READ = 0x20019;
constexpr DWORD KEY_WRITE = 0x20006;
constexpr DWORD KEY_ALL_ACCESS = 0xF003F;

// Opens an existing key (subKey "" or null: parent itself).
long RegOpenKeyExA(HKEY parent, const char* subKey, DWORD options, DWORD access, HKEY* result);
// Opens the key, creating it and its missing parents first.
long RegCreateKeyA(HKEY parent, const char* subKey, HKEY* result);
// Copies a value into data (strings with their terminating NUL). With data
// null only *dataSize is set to the size needed; a value that does not fit
// in *dataSize gives ERROR_MORE_DATA with *dataSize the size needed, and
// nothing is written to data.
long RegQueryValueExA(HKEY key, const char* name, DWORD* reserved, DWORD* type, unsigned char* data, DWORD* dataSize);
// REG_SZ: the bytes up to the first NUL within size (size 0: the empty
// string). REG_DWORD: size must be 4. Other types are refused.
long RegSetValueExA(HKEY key, const char* name, DWORD reserved, DWORD type, const unsigned char* data, DWORD size);
long RegDeleteValueA(HKEY key, const char* name);
// Deletes the key with all its subkeys.
long RegDeleteKeyA(HKEY parent, const char* subKey);
long RegCloseKey(HKEY key);

// The file the store uses now.
std::string SettingsStorePath();
// Makes path the store for the rest of the run, before QUORVEL_REGISTRY and
// the default ("" goes back to them). A program that must never touch the
// player's settings (the GUI demo) points it at a scratch file.
void UseSettingsStoreFile(const std::string& path);
// The full canonical path of an open key ("" for an invalid handle).
std::string SettingsKeyPath(HKEY key);
// The whole store as it is now (read under a shared lock). The result is
// ERROR_SUCCESS also for a missing file (an empty tree).
long ReadSettingsStore(SettingsTree& tree);
// Applies change to the store's current content under the exclusive lock
// and writes the result when change returns true. The result of the write,
// or status set by change (ERROR_SUCCESS unless change sets it) when it
// returns false.
long UpdateSettingsStore(const std::function<bool(SettingsTree& tree, long& status)>& change);
// The value answered for a well-known key and value name (canonical key
// path), or false when the pair is not one of them.
bool WellKnownSettingsValue(const std::string& keyPath, const std::string& name, std::string& value);
