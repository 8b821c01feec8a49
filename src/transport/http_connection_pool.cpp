#include "transport/http_connection_pool.h"

#include <cctype>
#include <string>

#include "foundation/program_clock.h"
#include "platform/sockets.h"
#include "transport/real_tcp_connection.h"
#include "transport/transport_globals.h"

namespace {
// Still connected, and nothing waiting: an idle HTTP connection that turns
// readable has either been closed by the server or carries bytes no request
// asked for, and neither can take the next request.
bool StillUsable(RealTCPConnection* c) {
  if (!c || !c->socket || !(c->flags & sockflags_connected) || (c->flags & sockflags_fatal_error)) return false;
  PlatPollItem item{c->socket, true, false, false, false, false};
  if (PlatSocketPoll(&item, 1, 0) < 0) return false;
  return !item.readable && !item.failed;
}
}  // namespace

HttpConnectionPool::~HttpConnectionPool() { Clear(); }

RealTCPConnection* HttpConnectionPool::Take(const std::string& origin) {
  const unsigned long now = GetTimerCount();
  const unsigned long maxAge = static_cast<unsigned long>(kMaxIdleSeconds) * static_cast<unsigned long>(Second);
  // Newest first: the most recently used connection is the likeliest to be open.
  for (size_t i = idle_.size(); i-- > 0;) {
    if (idle_[i].origin != origin) continue;
    RealTCPConnection* c = idle_[i].connection;
    const bool fresh = now - idle_[i].since <= maxAge;
    idle_.erase(idle_.begin() + long(i));
    if (fresh && StillUsable(c)) return c;
    delete c;
  }
  return nullptr;
}

void HttpConnectionPool::Give(const std::string& origin, RealTCPConnection* connection) {
  if (!connection) return;
  if (idle_.size() >= kMaxIdle) {
    delete idle_.front().connection;
    idle_.erase(idle_.begin());
  }
  idle_.push_back({origin, connection, GetTimerCount()});
}

void HttpConnectionPool::Clear() {
  for (Idle& i : idle_) delete i.connection;
  idle_.clear();
}

HttpConnectionPool& HttpConnections() {
  // Never destroyed: at exit the system closes the sockets, and no static
  // destructor runs after the socket layer has been shut down.
  static HttpConnectionPool* pool = new HttpConnectionPool;
  return *pool;
}

std::string HttpOriginKey(const char* hostPart, bool viaProxy) {
  // Host names compare without regard to case.
  std::string host = hostPart;
  for (char& c : host) c = char(std::tolower(static_cast<unsigned char>(c)));
  if (viaProxy)
    return std::string("proxy ") + (ProxyServer ? ProxyServer : "") + ":" + std::to_string(ProxyPort) + " " + host;
  std::string key;
  if (SocksProxyPort) {
    key = "socks " + SocksProxyAddress.ToText() + " " + std::to_string(SocksProxyPort) + " ";
  }
  return key + host;
}
