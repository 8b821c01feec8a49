#include "transport/transport_globals.h"

#include "foundation/alloc.h"
#include "transport/http_connection_pool.h"

char* ProxyServer = nullptr;
int ProxyPort = 0;
char* ProxyAuthentication = nullptr;

NodeAddress SocksProxyAddress;
uint16_t SocksProxyPort = 0;

int MaxConnections = kDefaultMaxConnections;
int MinTransferRate = kDefaultMinTransferRate;

int ClampMaxConnections(long long stored) {
  return stored < 1 ? 1 : stored > kMaxConnectionsLimit ? kMaxConnectionsLimit : int(stored);
}

unsigned long long TotalAmtRecieved = 0;
long long ContentLength = -1;
int FinishedState = 0;

void ResetTransportGlobals() {
  GRTFree(ProxyServer);
  ProxyServer = nullptr;
  ProxyPort = 0;
  GRTFree(ProxyAuthentication);
  ProxyAuthentication = nullptr;
  SocksProxyAddress = NodeAddress{};
  SocksProxyPort = 0;
  MaxConnections = kDefaultMaxConnections;
  MinTransferRate = kDefaultMinTransferRate;
  HttpConnections().Clear();
  TotalAmtRecieved = 0;
  ContentLength = -1;
  FinishedState = 0;
}
