#include "transport/socks5.h"

#include "foundation/runtime.h"

void SetSocksProxy(const char* host, uint16_t port) {
  if (!host) {
    SocksProxyAddress = NodeAddress{};
    SocksProxyPort = 0;
    return;
  }
  SocksProxyAddress = GetAddressFromName(host);
  SocksProxyPort = port;
}

void InitSocksProxy() { SetSocksProxy(nullptr, 0); }

bool SocksProxyInUse() { return !SocksProxyAddress.IsZero(); }

static StartupRegistration socks_registration(InitSocksProxy);

void Socks5Greeting(unsigned char out[kSocks5GreetingSize]) {
  out[0] = 5;
  out[1] = 1;
  out[2] = 0;
}

int Socks5ConnectRequest(const NodeAddress& destination, uint16_t port,
                         unsigned char out[kSocks5ConnectRequestMaxSize]) {
  const int addressSize = destination.ipv6 ? 16 : 4;
  out[0] = 5;
  out[1] = 1;
  out[2] = 0;
  out[3] = destination.ipv6 ? 4 : 1;
  for (int i = 0; i < addressSize; ++i) out[4 + i] = destination.bytes[i];
  out[4 + addressSize] = static_cast<unsigned char>(port >> 8);
  out[5 + addressSize] = static_cast<unsigned char>(port & 0xFF);
  return 6 + addressSize;
}

int Socks5ReplyLength(const unsigned char* data, int have) {
  if (have < 4) return 0;
  switch (data[3]) {
    case 1: return 10;
    case 3:
      if (have < 5) return 0;
      return 7 + data[4];
    case 4: return 22;
    default: return -1;
  }
}
