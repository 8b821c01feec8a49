#include "transport/socket_connection.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "foundation/fail.h"
#include "foundation/log.h"

SocketConnection* SocketList = nullptr;
pthread_mutex_t SocketListMutex = PTHREAD_MUTEX_INITIALIZER;
thread_local int InsideLogService = 0;

namespace {
void Link(SocketConnection* c) {
  pthread_mutex_lock(&SocketListMutex);
  c->next = SocketList;
  SocketList = c;
  pthread_mutex_unlock(&SocketListMutex);
}
}  // namespace

SocketConnection::SocketConnection() { Link(this); }

SocketConnection::SocketConnection(const SocketConnection& other)
    : socket(other.socket),
      port(other.port),
      own_address_count(other.own_address_count),
      flags(other.flags) {
  std::memcpy(own_addresses, other.own_addresses, sizeof own_addresses);
  Link(this);
}

SocketConnection::~SocketConnection() {
  pthread_mutex_lock(&SocketListMutex);
  for (SocketConnection** p = &SocketList; *p; p = &(*p)->next) {
    if (*p == this) {
      *p = next;
      break;
    }
  }
  pthread_mutex_unlock(&SocketListMutex);
}

int CountSocketConnections() {
  pthread_mutex_lock(&SocketListMutex);
  int n = 0;
  for (SocketConnection* c = SocketList; c; c = c->next) ++n;
  pthread_mutex_unlock(&SocketListMutex);
  return n;
}

int SocketConnection::SendDatagram(const void*, unsigned, const NodeAddress&) { return 0; }
int SocketConnection::BroadcastDatagram(const void*, unsigned) { return 0; }
void* SocketConnection::ReceiveDatagram(NodeAddress&, int) { return nullptr; }

NodeAddress SocketConnection::MyNodeAddress(int index) {
  if (index < 0 || index >= own_address_count) Fail("asking for address out of range");
  NodeAddress n{};
  std::memcpy(n.bytes, own_addresses[index], 4);
  return n;
}

NodeAddress SocketConnection::GetAddressFromMachineName(const char* name) { return GetAddressFromName(name); }

bool SocketConnection::LookUpOwnAddresses() {
  int n = PlatLocalIPv4Addresses(own_addresses, 8);
  if (n < 0) {
    own_address_count = 0;
    return false;
  }
  own_address_count = static_cast<unsigned char>(n);
  return true;
}

void NetLog(const char* format, ...) {
  if (InsideLogService) return;
  char line[480];
  va_list args;
  va_start(args, format);
  std::vsnprintf(line, sizeof line, format, args);
  va_end(args);
  Log("%s", line);
}

void NetFail(const char* format, ...) {
  char text[132];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  if (InsideLogService) return;
  Fail("%s", text);
}
