// TCPConnection: the connectionless sibling of RealTCPConnection, one
// non-blocking IPv4 datagram (UDP) socket bound to a port, behind the same
// SocketConnection interface. Datagrams are sent whole or not at all; they
// may be lost, duplicated or reordered, and nothing here retries.
//
// Peers are addressed by NodeAddress and all use one port: datagrams go to
// `remote_port` (the connection's own port unless changed), broadcasts to
// UdpBroadcastAddress.
#pragma once

#include <cstdint>

#include "transport/socket_connection.h"

// The largest datagram sent or received: the most an IPv4 UDP datagram holds.
constexpr unsigned kMaxUdpDatagram = 65507;

// Where BroadcastDatagram sends: 255.255.255.255 (the local network) unless
// changed; tests use 127.255.255.255 so nothing leaves the machine.
extern NodeAddress UdpBroadcastAddress;

class TCPConnection : public SocketConnection {
 public:
  // Opens the socket on port (host order; 0 lets the system pick). On
  // failure no socket exists and flags tell why (sockflags_bind_failed when
  // the port could not be had); "failed to bind(), port=%d err=%d" or
  // "failed to get udp socket! %d" is logged.
  explicit TCPConnection(uint16_t port);
  ~TCPConnection() override;
  TCPConnection(const TCPConnection&) = delete;

  // Sends one datagram to `to` at remote_port. Returns 1 when the system
  // took it, 0 when not: longer than kMaxUdpDatagram ("pkt too large"), no
  // socket, or a send error ("failed to send... %d").
  int SendDatagram(const void* data, unsigned length, const NodeAddress& to) override;
  // The same to UdpBroadcastAddress ("failed to broadcast... %d").
  int BroadcastDatagram(const void* data, unsigned length) override;
  // The next waiting datagram, or null when none is waiting (or on an error,
  // logged as "receive failed... %d"). The bytes lie in one receive buffer
  // shared by every TCPConnection and stay valid until the next receive on
  // any of them (receiving belongs to one thread); their count is in
  // last_length and the sender in from (address) and last_sender_port.
  // flags is not used.
  void* ReceiveDatagram(NodeAddress& from, int flags) override;

  // The bound port (host order).
  uint16_t LocalPort() const;

  uint16_t remote_port = 0;       // host order; where SendDatagram sends
  unsigned last_length = 0;       // length of the datagram ReceiveDatagram returned
  uint16_t last_sender_port = 0;  // its sender's port (host order)
  int last_error = 0;

 private:
  int SendTo(const void* data, unsigned length, const NodeAddress& to, const char* failure);
};
