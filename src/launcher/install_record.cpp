#include "launcher/install_record.h"

#include <cstdio>
#include <cstring>

#include "launcher/installation.h"
#include "launcher/registry_info.h"
#include "platform/settings_store.h"

const char* UninstallKeyName = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quorvel Online";

namespace {

constexpr int kProgramFilesSize = 260;

bool SetString(HKEY key, const char* name, const char* value) {
  return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const unsigned char*>(value),
                        static_cast<DWORD>(std::strlen(value) + 1)) == ERROR_SUCCESS;
}

}  // namespace

void DetectProgramFilesLocation(char* out, size_t size) {
  char value[kProgramFilesSize] = {};
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion", 0, KEY_READ, &key) ==
      ERROR_SUCCESS) {
    DWORD type = 0, length = sizeof value - 1;
    if (RegQueryValueExA(key, "ProgramFilesDir", nullptr, &type, reinterpret_cast<unsigned char*>(value), &length) !=
            ERROR_SUCCESS ||
        type != REG_SZ)
      value[0] = 0;
    RegCloseKey(key);
  }
  value[sizeof value - 1] = 0;
  if (!value[0]) std::snprintf(value, sizeof value, "%s", "c:\\program files\\");
  std::snprintf(out, size, "%s", value);
  NormalizeInstallDirectory(out, size);
}

void DefaultInstallDirectory(char* out, size_t size) {
  char base[kProgramFilesSize];
  DetectProgramFilesLocation(base, sizeof base);
  std::snprintf(out, size, "%s%s", base, InitialInstallDir);
  NormalizeInstallDirectory(out, size);
}

int CreateUninstallationInfoKeys() {
  HKEY key = nullptr;
  if (RegCreateKeyA(HKEY_LOCAL_MACHINE, UninstallKeyName, &key) != ERROR_SUCCESS) return 0;
  char command[270];
  std::snprintf(command, sizeof command, "%squorvel.exe -u", RegInfo->Directory);
  SetString(key, "DisplayName", "Quorvel Online");
  SetString(key, "UninstallString", command);
  RegCloseKey(key);
  return 1;
}

void RemoveInstallationRecord() {
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, UninstallKeyName);
  DeleteProductKey();
}
