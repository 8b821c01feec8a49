// IPv4 addresses of the connection layer and name resolution.
#pragma once

#include <cstdint>

// 10 bytes: the IPv4 address in network byte order, then 6 bytes that are
// always zero here. 0.0.0.0 means "unresolved".
struct NodeAddress {
  unsigned char bytes[10];

  bool IsZero() const { return !bytes[0] && !bytes[1] && !bytes[2] && !bytes[3]; }
  bool operator==(const NodeAddress& o) const;
  static NodeAddress FromBytes(unsigned char a, unsigned char b, unsigned char c, unsigned char d);
};

// A port (host order) in network byte order, as the connection's port field keeps it.
uint16_t PortToNetworkOrder(uint16_t port);

// Resolves a host name. A name equal to the last one looked up gives the
// cached address; a dotted address "a.b.c.d" is taken as it is (not cached);
// otherwise the first address of a lookup, which is then cached. A failed
// lookup logs "failed to gethostbyname %s! %d" and gives 0.0.0.0. Blocks for
// the duration of the system lookup.
NodeAddress GetAddressFromName(const char* name);

// The one-entry cache (tests look at and clear it).
extern char LastName[256];
extern NodeAddress LastAddress;
// How many system lookups GetAddressFromName has made (tests).
extern unsigned long HostLookupCount;
