// The transport layer's process-wide settings and state, in one place: the
// connection settings write the proxy settings, the transfers read them. One
// transfer runs at a time, so the progress values describe the current one.
#pragma once

#include <cstdint>

#include "transport/node_address.h"

// HTTP proxy: host (heap text from StrDup, freed by ResetTransportGlobals), or
// null for direct connections; its port; Base64 "user:password", or null.
extern char* ProxyServer;
extern int ProxyPort;
extern char* ProxyAuthentication;

// SOCKS5 proxy of outgoing stream connections, set through SetSocksProxy
// (transport/socks5.h). All zero when none is set; the port in host byte order.
extern NodeAddress SocksProxyAddress;
extern uint16_t SocksProxyPort;

// Transfers that may run at once, 1 to kMaxConnectionsLimit (the stored
// MaxConnections). With more than 1 a connection is kept open after its
// answer for the next request to the same server; with 1 every request has a
// connection of its own, closed after the answer.
extern int MaxConnections;
constexpr int kDefaultMaxConnections = 4;
constexpr int kMaxConnectionsLimit = 16;
// A stored value brought into 1..kMaxConnectionsLimit.
int ClampMaxConnections(long long stored);

// A transfer that receives less than MinTransferRate bytes a second over
// the last kTransferRateWindowSeconds fails (0: no such rule), so that a
// server that trickles or stops after its header cannot hold it for ever.
extern int MinTransferRate;
constexpr int kDefaultMinTransferRate = 1024;
constexpr int kTransferRateWindowSeconds = 60;

// The current transfer (transport/http_download.h).
extern unsigned long long TotalAmtRecieved;  // body bytes received in the current transfer
extern long long ContentLength;              // announced body length, -1 when unknown
extern int FinishedState;                    // result kept after the transfer ended (a DownloadResult)

// Back to the values at load: no proxy of either kind, no transfer.
void ResetTransportGlobals();
