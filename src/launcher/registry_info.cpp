#include "launcher/registry_info.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "launcher/install_record.h"
#include "launcher/installation.h"
#include "platform/directory_maintenance.h"
#include "update/product_key.h"

namespace {
RegistryInfo load_info;
}  // namespace

RegistryInfo* RegInfo = &load_info;

void ReadRegistryInfo(RegistryInfo& info) {
  info.Installed = 0;
  info.Directory[0] = 0;
  const std::string stored = ReadInstallationDirectory();
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
