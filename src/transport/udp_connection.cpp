#include "transport/udp_connection.h"

#include "foundation/byte_order.h"
#include "foundation/log.h"
#include "platform/udp_sockets.h"

NodeAddress UdpBroadcastAddress = NodeAddress::FromBytes(255, 255, 255, 255);

namespace {
// The shared receive buffer: one spare byte so an oversized datagram shows
// as longer than kMaxUdpDatagram rather than fitting exactly.
unsigned char inbuffer[kMaxUdpDatagram + 1];
}  // namespace

TCPConnection::TCPConnection(uint16_t bindPort) {
  int error = 0;
  bool bindFailed = false;
  socket = PlatUdpOpen(bindPort, &error, &bindFailed);
  if (!socket) {
    last_error = error;
    if (bindFailed) {
      flags |= sockflags_bind_failed;
      NetLog("failed to bind(), port=%d err=%d", bindPort, error);
    } else {
      NetLog("failed to get udp socket! %d", error);
    }
    return;
  }
  uint16_t bound = PlatSocketLocalPort(socket);
  port = HostToNetwork16(bound);
  remote_port = bound;
  if (!LookUpOwnAddresses()) flags |= sockflags_hostlookup_failed;
  flags |= sockflags_connected;
}

TCPConnection::~TCPConnection() {
  PlatSocketClose(socket);
  socket = 0;
}

uint16_t TCPConnection::LocalPort() const { return NetworkToHost16(port); }

int TCPConnection::SendTo(const void* data, unsigned length, const NodeAddress& to, const char* failure) {
  if (length > kMaxUdpDatagram) {
    NetLog("pkt too large");
    return 0;
  }
  if (!socket) return 0;
  long sent = PlatUdpSendTo(socket, data, length, to.bytes, remote_port);
  if (sent == static_cast<long>(length)) return 1;
  last_error = sent < 0 ? int(-sent) : kSockMessageSize;
  NetLog(failure, last_error);
  return 0;
}

int TCPConnection::SendDatagram(const void* data, unsigned length, const NodeAddress& to) {
  return SendTo(data, length, to, "failed to send... %d");
}

int TCPConnection::BroadcastDatagram(const void* data, unsigned length) {
  return SendTo(data, length, UdpBroadcastAddress, "failed to broadcast... %d");
}

void* TCPConnection::ReceiveDatagram(NodeAddress& from, int) {
  last_length = 0;
  flags &= ~sockflags_readable;
  if (!socket) return nullptr;
  for (;;) {
    NodeAddress sender{};
    uint16_t senderPort = 0;
    long got = PlatUdpReceiveFrom(socket, inbuffer, sizeof inbuffer, sender.bytes, &senderPort);
    if (got == -kSockWouldBlock) return nullptr;
    if (got == -kSockMessageSize || got > static_cast<long>(kMaxUdpDatagram)) continue;  // dropped; try the next
    if (got < 0) {
      // An earlier send's unreachable report surfaces here; the socket
      // stays usable, so only this call comes back empty.
      last_error = int(-got);
      NetLog("receive failed... %d", last_error);
      return nullptr;
    }
    from = sender;
    last_sender_port = senderPort;
    last_length = static_cast<unsigned>(got);
    return inbuffer;
  }
}
