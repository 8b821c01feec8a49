#include "transport/real_tcp_connection.h"

#include <cstring>
#include <vector>

#include "foundation/fail.h"
#include "foundation/program_clock.h"
#include "foundation/runtime.h"

namespace {
// Errors that mean the connection is gone rather than a programming error. The
// last three are reported by POSIX receives and sends when an earlier
// asynchronous failure is pending on the socket.
bool IsBrokenConnectionError(int err) {
  switch (err) {
    case kSockNetworkDown:
    case kSockNetworkReset:
    case kSockConnectionAborted:
    case kSockConnectionReset:
    case kSockNotConnected:
    case kSockShutdown:
    case kSockTimedOut:
    case kSockConnectionRefused:
    case kSockHostUnreachable:
    case kSockNetworkUnreachable: return true;
    default: return false;
  }
}
}  // namespace

RealTCPConnection::RealTCPConnection() {}

RealTCPConnection::RealTCPConnection(uint16_t listenPort) { InitSocket(listenPort, NodeAddress{}, 0, 0, 1); }

RealTCPConnection::RealTCPConnection(uint16_t toPort, const NodeAddress& address, int blocking) {
  InitSocket(toPort, address, 1, blocking, 0);
}

RealTCPConnection::RealTCPConnection(uint16_t toPort, const NodeAddress& address, int blocking, int noSocks) {
  InitSocket(toPort, address, 1, blocking, noSocks);
}

RealTCPConnection::RealTCPConnection(uint16_t toPort, const std::vector<NodeAddress>& addresses, int blocking,
                                     int noSocks) {
  InitSocket(toPort, addresses, blocking, noSocks);
}

RealTCPConnection::RealTCPConnection(const RealTCPConnection& other)
    : SocketConnection(other),
      send_start_time(other.send_start_time),
      receive_start_time(other.receive_start_time),
      last_error(other.last_error),
      socks_state(other.socks_state),
      remote_address(other.remote_address),
      remote_port(other.remote_port),
      socks_destination(other.socks_destination),
      socks_destination_port(other.socks_destination_port),
      uses_socks_(other.uses_socks_) {}

RealTCPConnection::~RealTCPConnection() {
  PlatSocketClose(socket);
  socket = 0;
}

uint16_t RealTCPConnection::LocalPort() const { return socket ? PlatSocketLocalPort(socket) : 0; }

void RealTCPConnection::ResetTransferStats() {
  send_start_time = receive_start_time = GetTimerCount();
  bytes_sent = bytes_received = 0;
}

void RealTCPConnection::StartOver(const NodeAddress& address, uint16_t toPort) {
  race_.reset();
  if (socket) PlatSocketClose(socket);
  socket = 0;
  flags = 0;
  socks_state = kSocksNone;
  socks_have_ = 0;
  uses_socks_ = false;
  remote_address = address;
  remote_port = toPort;
}

PlatSocket RealTCPConnection::InitSocket(uint16_t toPort, const NodeAddress& address, int connect, int blocking,
                                         int noSocks) {
  StartOver(address, toPort);
  if (connect && SocksProxyInUse() && !noSocks) {
    uses_socks_ = true;
    socks_destination = address;
    socks_destination_port = toPort;
    remote_address = SocksProxyAddress;
    remote_port = SocksProxyPort;
  }
  port = PortToNetworkOrder(remote_port);

  int err = 0;
  // A listener takes IPv4 clients, as the network log's always have.
  socket = PlatSocketOpenFamily(connect && remote_address.ipv6 ? kPlatIPv6 : kPlatIPv4, &err);
  if (!socket) {
    last_error = err;
    NetFail("failed to get tcp socket!");
    flags |= sockflags_fatal_error;
    return 0;
  }

  if (!LookUpOwnAddresses()) {
    flags |= sockflags_hostlookup_failed;
    PlatSocketClose(socket);
    socket = 0;
    return 0;
  }

  if (connect) {
    ResetTransferStats();
    err = PlatSocketConnectAddress(socket, remote_address.ToPlat(), remote_port);
    if (err == kSockWouldBlock && blocking) err = PlatSocketConnectStatus(socket, -1);
    if (!ConnectStarted(err, blocking)) return 0;
    if (!uses_socks_) {
      socks_state = kSocksDone;
    } else {
      socks_state = kSocksSendGreeting;
      if (blocking) {
        // Run the negotiation here, waiting for each reply.
        while (!(flags & (sockflags_connected | sockflags_fatal_error))) {
          TryToConnect();
          if (flags & (sockflags_connected | sockflags_fatal_error)) break;
          PlatPollItem item = {socket, true, false, false, false, false};
          PlatSocketPoll(&item, 1, 10);
        }
        if (flags & sockflags_fatal_error) {
          PlatSocketClose(socket);
          socket = 0;
          return 0;
        }
      }
    }
    return socket;
  }

  err = PlatSocketBindAny(socket, toPort);
  if (err != 0) {
    last_error = err;
    flags |= sockflags_bind_failed;
    NetFail("failed to bind(), port=%d err=%d", toPort, err);
    PlatSocketClose(socket);
    socket = 0;
    return 0;
  }
  err = PlatSocketListen(socket, 10);
  if (err != 0) {
    last_error = err;
    flags |= sockflags_listen_failed;
    NetLog("listen failed... %d", err);
    PlatSocketClose(socket);
    socket = 0;
    return 0;
  }
  flags |= sockflags_connected;
  socks_state = kSocksDone;
  return socket;
}

bool RealTCPConnection::ConnectStarted(int err, int blocking) {
  if (err == 0 || err == kSockAlreadyConnected) {
    flags |= uses_socks_ ? sockflags_proxy_tcp_connected : sockflags_connected;
    return true;
  }
  if (err == kSockWouldBlock && !blocking) return true;
  last_error = err;
  NetLog("couldn't connect! %x %d", flags, err);
  flags |= sockflags_fatal_error | sockflags_connect_failed;
  PlatSocketClose(socket);
  socket = 0;
  return false;
}

PlatSocket RealTCPConnection::InitSocket(uint16_t toPort, const std::vector<NodeAddress>& addresses, int blocking,
                                         int noSocks) {
  // Through a SOCKS proxy the connection goes to the proxy alone, and it is
  // told the first address.
  if (addresses.size() <= 1 || (SocksProxyInUse() && !noSocks))
    return InitSocket(toPort, addresses.empty() ? NodeAddress{} : addresses.front(), 1, blocking, noSocks);
  StartOver(addresses.front(), toPort);
  port = PortToNetworkOrder(remote_port);
  if (!LookUpOwnAddresses()) {
    flags |= sockflags_hostlookup_failed;
    return 0;
  }
  ResetTransferStats();
  race_ = std::make_unique<ConnectRace>();
  int err = race_->Start(addresses, toPort);
  while (blocking && err == kSockWouldBlock) {
    PlatPollItem item = {race_->WaitHandle(), true, false, false, false, false};
    PlatSocketPoll(&item, 1, int(kConnectionAttemptDelayMs));
    err = race_->Step();
  }
  if (err == kSockWouldBlock) return 0;
  socket = race_->TakeWinner(&remote_address);
  race_.reset();
  if (!ConnectStarted(err, 1)) return 0;
  socks_state = kSocksDone;
  return socket;
}

void RealTCPConnection::StepRace() {
  const int err = race_->Step();
  if (err == kSockWouldBlock) return;
  socket = race_->TakeWinner(&remote_address);
  race_.reset();
  if (err == 0) {
    flags |= sockflags_connected;
    socks_state = kSocksDone;
    return;
  }
  last_error = err;
  NetLog("TryToConnect(): Error=%d", err);
  flags |= sockflags_fatal_error | sockflags_connect_failed;
}

void RealTCPConnection::TryToConnect() {
  if (race_ && !(flags & sockflags_fatal_error)) {
    StepRace();
    return;
  }
  if (!socket || (flags & (sockflags_connected | sockflags_fatal_error))) return;
  if (uses_socks_ && (flags & sockflags_proxy_tcp_connected)) {
    if (!SocksStep()) SocksFail();
    return;
  }
  int err = PlatSocketConnectStatus(socket, 0);
  if (err == kSockWouldBlock || err == kSockAlready || err == kSockTryAgain) return;
  if (err == 0 || err == kSockAlreadyConnected) {
    flags |= uses_socks_ ? sockflags_proxy_tcp_connected : sockflags_connected;
    return;
  }
  last_error = err;
  NetLog("TryToConnect(): Error=%d", err);
  flags |= sockflags_fatal_error;
}

void RealTCPConnection::SocksFail() { flags |= sockflags_fatal_error | sockflags_connect_failed; }

bool RealTCPConnection::SocksReceive(int need) {
  if (socks_have_ < need) {
    long n = Receive(socks_buffer_ + socks_have_, need - socks_have_);
    if (n > 0) socks_have_ += int(n);
  }
  return socks_have_ >= need;
}

bool RealTCPConnection::SocksStep() {
  switch (socks_state) {
    case kSocksSendGreeting: {
      unsigned char greeting[kSocks5GreetingSize];
      Socks5Greeting(greeting);
      if (Send(greeting, sizeof greeting) != long(sizeof greeting)) {
        NetLog("proxy couldn't connect! %x %d", flags, last_error);
        return false;
      }
      socks_state = kSocksAwaitMethod;
      socks_have_ = 0;
      socks_wait_start_ = GetTimerCount();
      return true;
    }
    case kSocksAwaitMethod: {
      bool complete = SocksReceive(kSocks5MethodReplySize);
      if (!complete) {
        if (flags & sockflags_fatal_error) {
          NetLog("proxy couldn't connect! %x %d", flags, last_error);
          return false;
        }
        if (GetTimerCount() - socks_wait_start_ > kSocksReceiveTimeout) {
          NetLog("proxy receive method timedout");
          return false;
        }
        return true;
      }
      // Only method 0 was offered; anything else is as good as "none acceptable".
      if (socks_buffer_[1] != 0) {
        NetLog("Proxy connect: No acceptable methods");
        return false;
      }
      NetLog("Proxy got methods(%d) ver %d using method %d", socks_have_, socks_buffer_[0], socks_buffer_[1]);
      socks_state = kSocksSendConnect;
      return true;
    }
    case kSocksSendConnect: {
      unsigned char request[kSocks5ConnectRequestMaxSize];
      const int size = Socks5ConnectRequest(socks_destination, socks_destination_port, request);
      if (Send(request, unsigned(size)) != long(size)) {
        NetLog("proxy couldn't negotiate! %x %d", flags, last_error);
        return false;
      }
      socks_state = kSocksAwaitReply;
      socks_have_ = 0;
      socks_wait_start_ = GetTimerCount();
      return true;
    }
    case kSocksAwaitReply: {
      int need = Socks5ReplyLength(socks_buffer_, socks_have_);
      if (need < 0) {
        NetLog("unknown address type %d in ProxyReceiveBuffered", socks_buffer_[3]);
        return false;
      }
      // Read the fixed part first, then the rest once its length is known.
      bool complete = SocksReceive(need ? need : (socks_have_ < 4 ? 4 : 5));
      if (complete && need == 0) {
        need = Socks5ReplyLength(socks_buffer_, socks_have_);
        if (need < 0) {
          NetLog("unknown address type %d in ProxyReceiveBuffered", socks_buffer_[3]);
          return false;
        }
        complete = need > 0 && SocksReceive(need);
      }
      if (socks_have_ >= 2 && socks_buffer_[1] != 0) {
        NetLog("proxy reply did not succeed %d", socks_buffer_[1]);
        return false;
      }
      if (!complete) {
        if (flags & sockflags_fatal_error) {
          if (last_error) NetLog("proxy failed to connect! *%d) %x %d", last_error, flags, socks_have_);
          else NetLog("proxy reply did not succeed %d", socks_have_ >= 2 ? socks_buffer_[1] : -1);
          return false;
        }
        if (GetTimerCount() - socks_wait_start_ > kSocksReceiveTimeout) {
          NetLog("proxy receive connect timedout");
          return false;
        }
        return true;
      }
      const unsigned char* b = socks_buffer_;
      // The bound port ends the reply whatever the address type.
      NetLog("Socks5ProxyConnected received(%d) socks connect ver. %d add %d.%d.%d.%d port %d", socks_have_, b[0], b[4],
             b[5], b[6], b[7], (b[socks_have_ - 2] << 8) | b[socks_have_ - 1]);
      socks_state = kSocksDone;
      flags &= ~sockflags_proxy_tcp_connected;
      flags |= sockflags_connected;
      return true;
    }
    case kSocksDone: return true;
    default: Fail("TCPConnection: Bad connection state");
  }
}

long RealTCPConnection::Send(const void* data, unsigned long length) {
  if ((flags & sockflags_fatal_error) || !socket) return -1;
  pthread_mutex_lock(&send_mutex_);
  const unsigned char* p = static_cast<const unsigned char*>(data);
  unsigned long done = 0;
  while (done < length) {
    long n = PlatSocketSend(socket, p + done, length - done);
    if (n >= 0) {
      done += static_cast<unsigned long>(n);
      continue;
    }
    int err = int(-n);
    last_error = err;
    if (err == kSockWouldBlock) {
      PlatPollItem item = {socket, false, true, false, false, false};
      if (PlatSocketPoll(&item, 1, 500) > 0) continue;
      // The peer has taken nothing for half a second.
      flags |= sockflags_fatal_error;
      break;
    }
    if (IsBrokenConnectionError(err)) {
      flags |= sockflags_fatal_error;
      break;
    }
    pthread_mutex_unlock(&send_mutex_);
    NetFail("Failed To send network data -> %d", err);
    flags |= sockflags_fatal_error;
    return -1;
  }
  bytes_sent += done;
  pthread_mutex_unlock(&send_mutex_);
  if (flags & sockflags_fatal_error) return -1;
  return long(length);
}

long RealTCPConnection::Receive(void* buffer, unsigned long length) {
  flags &= ~sockflags_readable;
  if (!socket || length == 0) return 0;
  long n = PlatSocketReceive(socket, buffer, length);
  if (n > 0) {
    bytes_received += static_cast<unsigned long>(n);
    return n;
  }
  if (n == 0) {
    // A zero-length read of a non-empty buffer: the peer has closed.
    flags |= sockflags_fatal_error;
    return 0;
  }
  int err = int(-n);
  if (err == kSockWouldBlock) return 0;
  last_error = err;
  if (IsBrokenConnectionError(err)) {
    flags |= sockflags_fatal_error;
    return 0;
  }
  NetFail("Failed To receive network data -> %d", err);
  flags |= sockflags_fatal_error;
  return 0;
}

RealTCPConnection* RealTCPConnection::Accept(NodeAddress* address) {
  if (!socket) return nullptr;
  int err = 0;
  unsigned char peer[4] = {};
  uint16_t peerPort = 0;
  PlatSocket s = PlatSocketAccept(socket, peer, &peerPort, &err);
  if (!s) {
    if (err == kSockWouldBlock) return nullptr;
    // The client gave up before it was accepted: nothing to hand over.
    if (err == kSockConnectionAborted || err == kSockConnectionReset) return nullptr;
    if (err == kSockTooManyOpen) {
      flags |= sockflags_out_of_sockets;
      return nullptr;
    }
    last_error = err;
    NetFail("Failed to accept... %d", err);
    return nullptr;
  }
  if (address) {
    *address = NodeAddress{};
    std::memcpy(address->bytes, peer, 4);
  }
  RealTCPConnection* client = new RealTCPConnection(*this);
  client->socket = s;
  client->port = PortToNetworkOrder(peerPort);
  client->remote_address = NodeAddress{};
  std::memcpy(client->remote_address.bytes, peer, 4);
  client->remote_port = peerPort;
  client->flags = sockflags_connected;
  client->socks_state = kSocksDone;
  client->ResetTransferStats();
  return client;
}

int SelectSocket(RealTCPConnection** connections, int count, int timeoutMs, PlatSocket extra, int) {
  std::vector<PlatPollItem> items;
  std::vector<RealTCPConnection*> owners;
  for (int i = 0; i < count && items.size() < 64; ++i) {
    RealTCPConnection* c = connections[i];
    if (!c || !c->socket || !(c->flags & sockflags_connected) || (c->flags & sockflags_fatal_error)) continue;
    items.push_back({c->socket, true, false, false, false, false});
    owners.push_back(c);
  }
  // No extra socket is given as 0 or, in the classic calling style, as -1;
  // polling that as a handle would wait for nothing, without limit.
  if (extra && extra != PlatSocket(-1)) {
    items.push_back({extra, true, false, false, false, false});
    owners.push_back(nullptr);
  }
  if (items.empty()) return 0;
  int wait = timeoutMs == 0 ? -1 : (timeoutMs == -1 ? 0 : timeoutMs);
  int r = PlatSocketPoll(items.data(), int(items.size()), wait);
  if (r < 0) {
    NetFail("select failed... %d", -r);
    return 0;
  }
  for (size_t i = 0; i < items.size(); ++i) {
    RealTCPConnection* c = owners[i];
    if (!c) continue;
    // A failure with data still waiting is left for Receive to find after
    // the data has been read.
    if (items[i].readable) c->flags |= sockflags_readable;
    else if (items[i].failed) c->flags |= sockflags_fatal_error;
  }
  return r;
}
