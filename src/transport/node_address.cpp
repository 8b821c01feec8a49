#include "transport/node_address.h"

#include <cstdio>
#include <cstring>

#include "foundation/log.h"

char LastName[256];
NodeAddress LastAddress;
std::vector<NodeAddress> LastAddresses;
unsigned long HostLookupCount = 0;

namespace {
HostResolver g_resolver = SystemHostResolver;

// "%d.%d.%d.%d" with each part 0..255 and nothing after it.
bool ParseDotted(const char* name, NodeAddress* out) {
  int part[4];
  int used = 0;
  if (std::sscanf(name, "%d.%d.%d.%d%n", &part[0], &part[1], &part[2], &part[3], &used) != 4) return false;
  if (name[used] != '\0') return false;
  for (int p : part)
    if (p < 0 || p > 255) return false;
  *out = NodeAddress::FromBytes(part[0], part[1], part[2], part[3]);
  return true;
}
}  // namespace

bool NodeAddress::IsZero() const {
  for (unsigned char b : bytes)
    if (b) return false;
  return true;
}

bool NodeAddress::operator==(const NodeAddress& o) const {
  return ipv6 == o.ipv6 && std::memcmp(bytes, o.bytes, sizeof bytes) == 0;
}

NodeAddress NodeAddress::FromBytes(unsigned char a, unsigned char b, unsigned char c, unsigned char d) {
  NodeAddress n{};
  n.bytes[0] = a;
  n.bytes[1] = b;
  n.bytes[2] = c;
  n.bytes[3] = d;
  return n;
}

NodeAddress NodeAddress::FromIPv6(const unsigned char b[16]) {
  NodeAddress n{};
  std::memcpy(n.bytes, b, 16);
  n.ipv6 = true;
  return n;
}

PlatAddress NodeAddress::ToPlat() const {
  PlatAddress a{};
  a.family = ipv6 ? kPlatIPv6 : kPlatIPv4;
  std::memcpy(a.bytes, bytes, ipv6 ? 16 : 4);
  return a;
}

NodeAddress NodeAddress::FromPlat(const PlatAddress& a) {
  if (a.family == kPlatIPv6) return FromIPv6(a.bytes);
  return FromBytes(a.bytes[0], a.bytes[1], a.bytes[2], a.bytes[3]);
}

std::string NodeAddress::ToText() const {
  char text[48];
  if (!ipv6) {
    std::snprintf(text, sizeof text, "%d.%d.%d.%d", bytes[0], bytes[1], bytes[2], bytes[3]);
    return text;
  }
  // RFC 5952: lower-case hex groups, the longest run of two or more zero
  // groups (the first of equal runs) written "::".
  int group[8];
  for (int i = 0; i < 8; ++i) group[i] = (bytes[2 * i] << 8) | bytes[2 * i + 1];
  int bestAt = -1, bestLen = 1;
  for (int i = 0; i < 8;) {
    int j = i;
    while (j < 8 && group[j] == 0) ++j;
    if (j - i > bestLen) bestAt = i, bestLen = j - i;
    i = j == i ? i + 1 : j;
  }
  std::string out;
  for (int i = 0; i < 8; ++i) {
    if (i == bestAt) {
      out += "::";
      i += bestLen - 1;
      continue;
    }
    if (!out.empty() && out.back() != ':') out += ':';
    std::snprintf(text, sizeof text, "%x", group[i]);
    out += text;
  }
  return out;
}

uint16_t PortToNetworkOrder(uint16_t port) {
  unsigned char b[2] = {static_cast<unsigned char>(port >> 8), static_cast<unsigned char>(port & 0xFF)};
  uint16_t out;
  std::memcpy(&out, b, 2);
  return out;
}

bool ParseAddressLiteral(const char* text, NodeAddress* out) {
  if (ParseDotted(text, out)) return true;
  std::string inner = text;
  if (inner.size() > 2 && inner.front() == '[' && inner.back() == ']') inner = inner.substr(1, inner.size() - 2);
  unsigned char b[16];
  if (!PlatParseIPv6(inner.c_str(), b)) return false;
  *out = NodeAddress::FromIPv6(b);
  return true;
}

int SystemHostResolver(const char* name, std::vector<NodeAddress>* out) {
  PlatAddress found[8];
  int count = 0;
  const int err = PlatResolveHost(name, found, 8, &count);
  for (int i = 0; i < count; ++i) out->push_back(NodeAddress::FromPlat(found[i]));
  return err;
}

HostResolver SetHostResolver(HostResolver resolver) {
  HostResolver before = g_resolver;
  g_resolver = resolver ? resolver : SystemHostResolver;
  LastName[0] = '\0';
  LastAddress = NodeAddress{};
  LastAddresses.clear();
  return before;
}

std::vector<NodeAddress> GetAddressesFromName(const char* name) {
  if (!name || !*name) return {};
  if (LastName[0] && std::strcmp(name, LastName) == 0) return LastAddresses;
  NodeAddress literal{};
  if (ParseAddressLiteral(name, &literal)) return {literal};
  ++HostLookupCount;
  std::vector<NodeAddress> found;
  int err = g_resolver(name, &found);
  // An unresolved address is no address to connect to.
  std::vector<NodeAddress> usable;
  for (const NodeAddress& a : found)
    if (!a.IsZero()) usable.push_back(a);
  if (err == 0 && usable.empty()) err = kSockNoData;
  if (err != 0) {
    Log("failed to gethostbyname %s! %d", name, err);
    return {};
  }
  // Names too long for the cache are resolved every time.
  if (std::strlen(name) < sizeof LastName) {
    std::strcpy(LastName, name);
    LastAddresses = usable;
    LastAddress = usable.front();
  }
  return usable;
}

NodeAddress GetAddressFromName(const char* name) {
  std::vector<NodeAddress> all = GetAddressesFromName(name);
  return all.empty() ? NodeAddress{} : all.front();
}
