// Addresses of the connection layer and name resolution.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/sockets.h"

// An IPv4 address in the first 4 bytes (network byte order, the rest zero),
// or with ipv6 set an IPv6 address in all 16. All zero means "unresolved".
// The datagram classes speak IPv4 only and use the first 4 bytes.
struct NodeAddress {
  unsigned char bytes[16];
  bool ipv6;

  bool IsZero() const;
  bool operator==(const NodeAddress& o) const;
  bool operator!=(const NodeAddress& o) const { return !(*this == o); }
  static NodeAddress FromBytes(unsigned char a, unsigned char b, unsigned char c, unsigned char d);
  static NodeAddress FromIPv6(const unsigned char b[16]);
  PlatAddress ToPlat() const;
  static NodeAddress FromPlat(const PlatAddress& a);
  // "10.1.2.3" or "::1".
  std::string ToText() const;
};

// A port (host order) in network byte order, as the connection's port field keeps it.
uint16_t PortToNetworkOrder(uint16_t port);

// An address literal: dotted IPv4 "%d.%d.%d.%d" (each part 0..255, nothing
// after it), or IPv6 with or without its URL brackets ("[::1]", "::1").
bool ParseAddressLiteral(const char* text, NodeAddress* out);

// The resolver behind the lookups below: the addresses of a name (never a
// literal) of both families, in the order they are to be tried. Returns 0 or
// an error number (platform/sockets.h). Tests put their own in its place.
typedef int (*HostResolver)(const char* name, std::vector<NodeAddress>* out);
// The system's resolver (getaddrinfo): both families, the system's order.
int SystemHostResolver(const char* name, std::vector<NodeAddress>* out);
// Makes resolver the one used (null: the system's) and empties the cache;
// returns the one used before.
HostResolver SetHostResolver(HostResolver resolver);

// Every address of a host name, to be tried in this order. A literal is taken
// as it is (not cached); a name equal to the last one looked up gives the
// cached addresses; otherwise the resolver's answer, which is then cached. A
// failed lookup logs "failed to gethostbyname %s! %d" and gives none. Blocks
// for the duration of the system lookup.
std::vector<NodeAddress> GetAddressesFromName(const char* name);
// The first of them, or 0.0.0.0.
NodeAddress GetAddressFromName(const char* name);

// The one-entry cache (tests look at and clear it): the name, its first
// address and all of them.
extern char LastName[256];
extern NodeAddress LastAddress;
extern std::vector<NodeAddress> LastAddresses;
// How many lookups GetAddressFromName has asked the resolver for (tests).
extern unsigned long HostLookupCount;
