#include "launcher/registry_info.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "launcher/install_record.h"
#include "launcher/installation.h"
#include "platform/directory_maintenance.h"
#include "platform/settings_store.h"

namespace {
RegistryInfo load_info;
constexpr int kStoredValueSize = 128;  // the stored directory is read into this many bytes

std::string StoredInstallationDirectory() {
  char value[kStoredValueSize] = {};
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, RegistryKeyName, 0, KEY_READ, &key) != ERROR_SUCCESS) return "";
  DWORD type = 0, length = sizeof value - 1;
  if (RegQueryValueExA(key, "InstallationDirectory", nullptr, &type, reinterpret_cast<unsigned char*>(value),
                       &length) != ERROR_SUCCESS ||
      type != REG_SZ)
    value[0] = 0;
  RegCloseKey(key);
  value[sizeof value - 1] = 0;
  return value;
}
}  // namespace

RegistryInfo* RegInfo = &load_info;

void ReadRegistryInfo(RegistryInfo& info) {
  info.Installed = 0;
  info.Directory[0] = 0;
  const std::string stored = StoredInstallationDirectory();
  if (!stored.empty()) {
    // The value normally ends in a separator; one typed or stored without it
    // still names the same folder.
    const std::string directory = NormalizedInstallDirectory(stored);
    if (PlatIsRegularFile(directory + "quorvel.exe")) {
      std::snprintf(info.Directory, sizeof info.Directory, "%s", directory.c_str());
      info.Installed = 1;
      return;
    }
  }
  DefaultInstallDirectory(info.Directory, sizeof info.Directory);
}
