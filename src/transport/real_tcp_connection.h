// A TCP stream connection: always non-blocking once set up, reporting its
// condition through the flag word of SocketConnection. Clients may go through
// the process-wide SOCKS5 proxy (transport/socks5.h); servers listen and
// Accept. Nothing here reconnects; the owner destroys a broken connection.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/mutex.h"
#include "transport/connect_race.h"
#include "transport/datagram_session.h"
#include "transport/socket_connection.h"
#include "transport/socks5.h"

class RealTCPConnection : public SocketConnection {
 public:
  // No socket.
  RealTCPConnection();
  // A listening socket on port (host byte order).
  explicit RealTCPConnection(uint16_t port);
  // A client connection to address:port; blocking waits for the connect (and
  // any SOCKS negotiation) before returning, else TryToConnect advances it.
  RealTCPConnection(uint16_t port, const NodeAddress& address, int blocking);
  // The same; noSocks non-zero bypasses a configured SOCKS proxy.
  RealTCPConnection(uint16_t port, const NodeAddress& address, int blocking, int noSocks);
  // A client connection to the first of addresses that answers (a host's
  // addresses of both families race as transport/connect_race.h describes).
  RealTCPConnection(uint16_t port, const std::vector<NodeAddress>& addresses, int blocking, int noSocks);
  // A copy of other (Accept gives it the accepted socket).
  RealTCPConnection(const RealTCPConnection& other);
  ~RealTCPConnection() override;

  // Opens the socket: a client (connect != 0) to address:port, or a listener
  // on port. Returns the socket, or 0 with set-up failure bits in flags.
  PlatSocket InitSocket(uint16_t port, const NodeAddress& address, int connect, int blocking, int noSocks);
  // A client to addresses. While several race, no socket is chosen yet:
  // the result is 0 without failure bits, and Connecting() is true.
  PlatSocket InitSocket(uint16_t port, const std::vector<NodeAddress>& addresses, int blocking, int noSocks);
  // True while a socket exists or the addresses still race for one.
  explicit operator bool() const override { return socket != 0 || race_ != nullptr; }
  bool Connecting() const { return race_ != nullptr; }
  // What to poll (for reading) while the addresses race; 0 when they do not.
  PlatSocket RaceWaitHandle() const { return race_ ? race_->WaitHandle() : 0; }
  // Advances a pending non-blocking connect and the SOCKS negotiation, one
  // step per call. Never waits. Does nothing once connected or broken.
  void TryToConnect();
  // Sends all of data. Waits (up to 500 ms at a time) only while the system's
  // send buffer is full; a peer that takes nothing for that long counts as
  // broken. Returns length, or -1 when the connection is (or becomes) broken.
  long Send(const void* data, unsigned long length);
  // One non-blocking read: the bytes read, 0 when nothing is waiting. A closed
  // peer or a network failure sets sockflags_fatal_error. Clears sockflags_readable.
  long Receive(void* buffer, unsigned long length);
  // A new connected RealTCPConnection for a waiting client (owned by the
  // caller), its address in *address; null when none is waiting.
  RealTCPConnection* Accept(NodeAddress* address);

  // Datagrams over this stream: see transport/datagram_session.h for the
  // contracts. Defined in real_tcp_datagrams.cpp.
  using SocketConnection::ReceiveDatagram;
  using SocketConnection::SendDatagram;
  void SetPacketBuffered(int capacity);
  int SendDatagram(Packet* packet, unsigned length);
  int SendDatagramCopy(const Packet* packet, unsigned length);
  int SentRemainingData();
  Packet* ReceiveDatagram();
  virtual int GenerateKey(const EncryptionKeyPacket* peer);
  virtual int InitEncryption(const unsigned char* key, int length);
  DatagramSession datagrams;  // a copied connection starts with a fresh one

  void ResetTransferStats();
  // The local port (host order) of a listener, for clients of a port chosen
  // by the system (tests).
  uint16_t LocalPort() const;

  // Transfer statistics: start time (timer counts) and bytes per direction.
  unsigned long send_start_time = 0, receive_start_time = 0;
  unsigned long bytes_sent = 0, bytes_received = 0;
  int last_error = 0;  // last socket error number (platform/sockets.h)

  // The SOCKS negotiation step (transport/socks5.h).
  SocksState socks_state = kSocksNone;
  NodeAddress remote_address{};     // where the socket connects (the proxy with SOCKS)
  uint16_t remote_port = 0;         // host order
  NodeAddress socks_destination{};  // the real destination with SOCKS
  uint16_t socks_destination_port = 0;

 private:
  // Closes any socket and forgets the connection's state before a new one to
  // address:toPort.
  void StartOver(const NodeAddress& address, uint16_t toPort);
  // The connect is under way, or has succeeded (err 0): the flags and the
  // SOCKS state follow. False when it failed (socket closed, flags set).
  bool ConnectStarted(int err, int blocking);
  // One step of the race; the winner becomes the socket.
  void StepRace();
  bool SocksStep();  // one negotiation step; false on failure
  void SocksFail();
  // Reads towards need bytes of a SOCKS reply; true once they are in.
  bool SocksReceive(int need);

  pthread_mutex_t send_mutex_ = PTHREAD_MUTEX_INITIALIZER;
  bool uses_socks_ = false;
  unsigned char socks_buffer_[kSocks5MaxReply] = {};
  int socks_have_ = 0;
  unsigned long socks_wait_start_ = 0;
  std::unique_ptr<ConnectRace> race_;  // while several addresses race
};

// Polls the connected, unbroken connections among the given ones (at most 64)
// and the extra socket (0 or -1 for none). timeoutMs: 0 waits without limit, -1 does
// not wait, else milliseconds. Sets sockflags_readable on connections with
// data (or a client) waiting and sockflags_fatal_error on failed ones. Returns
// the number of ready sockets, 0 when none qualified.
int SelectSocket(RealTCPConnection** connections, int count, int timeoutMs, PlatSocket extra, int unused);

// Timer counts a SOCKS reply may take (4 seconds at 64 counts per second).
constexpr unsigned long kSocksReceiveTimeout = 256;
