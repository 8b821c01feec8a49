// SOCKS5 (RFC 1928) for outgoing stream connections: no authentication,
// IPv4 and IPv6 destinations. The proxy setting is process-wide; the negotiation itself is
// run step by step by RealTCPConnection with the byte codec below.
#pragma once

#include <cstdint>

#include "transport/node_address.h"
#include "transport/transport_globals.h"

// The steps of the negotiation as RealTCPConnection::socks_state holds them.
enum SocksState : int {
  kSocksNone = 0,          // not started
  kSocksSendGreeting = 1,  // the greeting is due
  kSocksAwaitMethod = 2,   // waiting for the method reply
  kSocksSendConnect = 3,   // the connect request is due
  kSocksAwaitReply = 4,    // waiting for the connect reply
  kSocksDone = 5,          // connected to the destination (or no SOCKS at all)
};

// The proxy itself is SocksProxyAddress and SocksProxyPort (transport/transport_globals.h).
// Resolves host and makes it the proxy of every later client connection that
// does not ask to bypass it; a null host clears it. A host that does not
// resolve leaves no proxy set. host may be an IPv6 literal, with or without
// brackets.
void SetSocksProxy(const char* host, uint16_t port);
// Clears the proxy (registered at start-up).
void InitSocksProxy();
bool SocksProxyInUse();

// The greeting: version 5, one method, method 0 (no authentication).
constexpr int kSocks5GreetingSize = 3;
void Socks5Greeting(unsigned char out[kSocks5GreetingSize]);

// The method reply is 2 bytes: version, chosen method (0xFF: none acceptable).
constexpr int kSocks5MethodReplySize = 2;

// The connect request: 05 01 00, the address type (1 for IPv4, 4 for IPv6),
// the 4 or 16 address bytes, the port high byte first. Returns its length
// (10 or 22).
constexpr int kSocks5ConnectRequestSize = 10;
constexpr int kSocks5ConnectRequestMaxSize = 22;
int Socks5ConnectRequest(const NodeAddress& destination, uint16_t port,
                         unsigned char out[kSocks5ConnectRequestMaxSize]);

// The length of a connect reply from its first bytes: 0 while fewer than 4
// bytes are in, -1 for an unknown address type, else the whole length
// (type 1: 10, type 3: 7 + the name length in byte 4, type 4: 22).
int Socks5ReplyLength(const unsigned char* data, int have);
// Largest reply (type 3 with a 255-byte name).
constexpr int kSocks5MaxReply = 7 + 255;
