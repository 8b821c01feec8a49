// The settings store's reader on arbitrary bytes: whatever it keeps must
// survive the writer and read back identically, with nothing dropped, and
// every key and value must stay within the format's limits.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "fuzz_runtime.h"
#include "platform/settings_format.h"

QUORVEL_FUZZ_STARTUP

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const bool truncated = size > 0 && (data[0] & 1);
  const SettingsParseResult first = ParseSettingsText(bytes, truncated);
  for (const SettingsKey* key : first.tree.Keys()) {
    if (CanonicalSettingsPath(key->path) != key->path) abort();
    for (const SettingsValue& v : key->values) {
      if (v.name.size() > kSettingsMaxNameBytes || v.text.size() > kSettingsMaxStringBytes) abort();
      if (v.type != kSettingsString && v.type != kSettingsDword) abort();
    }
  }
  const std::string text = FormatSettingsText(first.tree);
  const SettingsParseResult second = ParseSettingsText(text);
  if (second.damaged() || !(second.tree == first.tree)) abort();
  if (FormatSettingsText(second.tree) != text) abort();
  return 0;
}
