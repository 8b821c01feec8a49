#include "transport/node_address.h"

#include <cstdio>
#include <cstring>

#include "foundation/log.h"
#include "platform/sockets.h"

char LastName[256];
NodeAddress LastAddress;
unsigned long HostLookupCount = 0;

bool NodeAddress::operator==(const NodeAddress& o) const { return std::memcmp(bytes, o.bytes, sizeof bytes) == 0; }

NodeAddress NodeAddress::FromBytes(unsigned char a, unsigned char b, unsigned char c, unsigned char d) {
  NodeAddress n{};
  n.bytes[0] = a;
  n.bytes[1] = b;
  n.bytes[2] = c;
  n.bytes[3] = d;
  return n;
}

uint16_t PortToNetworkOrder(uint16_t port) {
  unsigned char b[2] = {static_cast<unsigned char>(port >> 8), static_cast<unsigned char>(port & 0xFF)};
  uint16_t out;
  std::memcpy(&out, b, 2);
  return out;
}

namespace {
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

NodeAddress GetAddressFromName(const char* name) {
  NodeAddress result{};
  if (!name || !*name) return result;
  if (LastName[0] && std::strcmp(name, LastName) == 0) return LastAddress;
  if (ParseDotted(name, &result)) return result;
  ++HostLookupCount;
  int err = PlatResolveIPv4(name, result.bytes);
  if (err != 0) {
    Log("failed to gethostbyname %s! %d", name, err);
    return NodeAddress{};
  }
  // Names too long for the cache are resolved every time.
  if (std::strlen(name) < sizeof LastName) {
    std::strcpy(LastName, name);
    LastAddress = result;
  }
  return result;
}
