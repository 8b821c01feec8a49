#include "transport/log_network.h"

#include <cstring>

#include "foundation/log.h"
#include "foundation/runtime.h"
#include "transport/real_tcp_connection.h"

RealTCPConnection* LogAcceptPort = nullptr;
RealTCPConnection* TCPLogSockets[kMaxLogClients] = {};

namespace {
// While this lives, the connection layer neither logs nor stops the program:
// the log's mutex is held and a failure only drops the connection.
struct LogServiceScope {
  LogServiceScope() { ++InsideLogService; }
  ~LogServiceScope() { --InsideLogService; }
};

const LogNetworkService kService = {AcceptLogClients, SendToLogClients};

void RegisterLogNetwork() { SetLogNetworkService(&kService); }
void UnregisterLogNetwork() {
  SetLogNetworkService(nullptr);
  CloseLogNetwork();
}
StartupRegistration log_network_registration(RegisterLogNetwork, UnregisterLogNetwork);
}  // namespace

void AcceptLogClients(int port) {
  LogServiceScope scope;
  // A port that cannot be opened stays closed; it is not tried again per line.
  if (!LogAcceptPort) LogAcceptPort = new RealTCPConnection(static_cast<uint16_t>(port));
  if (!LogAcceptPort->socket) return;
  NodeAddress from{};
  RealTCPConnection* client = LogAcceptPort->Accept(&from);
  if (!client) return;
  client->flags |= sockflags_log_client;
  for (RealTCPConnection*& slot : TCPLogSockets) {
    if (!slot) {
      slot = client;
      return;
    }
  }
  delete client;
}

void SendToLogClients(const char* text) {
  LogServiceScope scope;
  size_t n = std::strlen(text);
  for (RealTCPConnection*& slot : TCPLogSockets) {
    if (!slot) continue;
    if (slot->flags & sockflags_fatal_error) {
      delete slot;
      slot = nullptr;
      continue;
    }
    slot->Send(text, n);
    slot->Send("\r\n", 2);
  }
}

void CloseLogNetwork() {
  for (RealTCPConnection*& slot : TCPLogSockets) {
    delete slot;
    slot = nullptr;
  }
  delete LogAcceptPort;
  LogAcceptPort = nullptr;
}
