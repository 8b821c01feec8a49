#include "transport/socket_connection.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "foundation/fail.h"
#include "foundation/log.h"
#include "platform/clock_source.h"

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
    : socket(other.socket), port(other.port), own_address_count(other.own_address_count), flags(other.flags) {
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
  // Asking the system for the interface list costs more than a loopback
  // connect; connections opened in quick succession share one answer.
  static pthread_mutex_t cacheMutex = PTHREAD_MUTEX_INITIALIZER;
  static unsigned char cached[8][4];
  static int cachedCount = -1;
  static unsigned long cachedAt = 0;
  constexpr unsigned long kCacheMs = 5000;
  pthread_mutex_lock(&cacheMutex);
  unsigned long now = PlatTickMs();
  if (cachedCount < 0 || now - cachedAt > kCacheMs) {
    cachedCount = PlatLocalIPv4Addresses(cached, 8);
    cachedAt = now;
  }
  int n = cachedCount;
  if (n > 0) std::memcpy(own_addresses, cached, sizeof cached);
  pthread_mutex_unlock(&cacheMutex);
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
