#include "launcher/registry_info.h"

namespace {
RegistryInfo empty_registry_info;
}  // namespace

RegistryInfo* RegInfo = &empty_registry_info;
