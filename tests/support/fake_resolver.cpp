#include "support/fake_resolver.h"

namespace {
std::map<std::string, std::vector<NodeAddress>> g_names;
std::vector<std::string> g_asked;
HostResolver g_before = nullptr;

int Resolve(const char* name, std::vector<NodeAddress>* out) {
  g_asked.push_back(name);
  auto it = g_names.find(name);
  if (it == g_names.end()) return kSockHostNotFound;
  *out = it->second;
  return 0;
}
}  // namespace

ScopedResolver::ScopedResolver(std::map<std::string, std::vector<std::string>> names) {
  g_names.clear();
  g_asked.clear();
  for (const auto& [name, literals] : names)
    for (const std::string& text : literals) {
      NodeAddress a{};
      ParseAddressLiteral(text.c_str(), &a);
      g_names[name].push_back(a);
    }
  g_before = SetHostResolver(Resolve);
}

ScopedResolver::~ScopedResolver() { SetHostResolver(g_before); }

const std::vector<std::string>& ScopedResolver::asked() const { return g_asked; }
