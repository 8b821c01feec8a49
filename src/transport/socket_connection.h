// The base of the program's connections: a system socket, this machine's
// addresses and the condition flag word. Every instance is linked into
// SocketList (guarded by SocketListMutex) for as long as it exists.
#pragma once

#include "platform/mutex.h"
#include "platform/sockets.h"
#include "transport/node_address.h"

// Condition bits of the flag word. The low byte is the condition, the second
// byte the set-up failure, the third byte extra conditions.
enum : unsigned {
  sockflags_fatal_error = 0x1,     // broken or closed by the peer; nothing more will arrive
  sockflags_readable = 0x2,        // the last poll saw data waiting; cleared by every Receive
  sockflags_connected = 0x4,       // connected (client) or listening (server)
  sockflags_key_sent = 0x8,        // datagram layer: this side sent its key packet
  sockflags_compress_out = 0x40,   // datagram layer: compress outgoing packets
  sockflags_compressed_in = 0x80,  // datagram layer: incoming packets are compressed
  sockflags_no_checksum = 0x100,   // datagram layer: no checksum on sending
  sockflags_hostlookup_failed = 0x400,
  sockflags_bind_failed = 0x800,
  sockflags_connect_failed = 0x1000,  // set together with sockflags_fatal_error
  sockflags_listen_failed = 0x2000,
  sockflags_proxy_tcp_connected = 0x20000,  // TCP to the SOCKS proxy is up, negotiation pending
  sockflags_out_of_sockets = 0x40000,
  sockflags_log_client = 0x80000,  // marks a client of the network log
};

class SocketConnection {
 public:
  SocketConnection();
  SocketConnection(const SocketConnection& other);  // links the copy too
  SocketConnection& operator=(const SocketConnection&) = delete;
  virtual ~SocketConnection();

  // Datagram operations; this base does nothing and returns nothing.
  virtual int SendDatagram(const void* data, unsigned length, const NodeAddress& to);
  virtual int BroadcastDatagram(const void* data, unsigned length);
  virtual void* ReceiveDatagram(NodeAddress& from, int flags);

  // True while a system socket exists.
  virtual explicit operator bool() const { return socket != 0; }
  // This machine's address number index; an index out of range stops the
  // program ("asking for address out of range").
  virtual NodeAddress MyNodeAddress(int index);
  virtual NodeAddress GetAddressFromMachineName(const char* name);
  virtual int NNodeAddresses() const { return own_address_count; }

  PlatSocket socket = 0;
  unsigned short port = 0;  // network byte order
  unsigned char own_addresses[8][4] = {};
  unsigned char own_address_count = 0;
  unsigned flags = 0;
  SocketConnection* next = nullptr;  // link in SocketList

 protected:
  // Looks up this machine's addresses (up to 8). False when that fails.
  bool LookUpOwnAddresses();
};

extern SocketConnection* SocketList;
extern pthread_mutex_t SocketListMutex;
// Live connections (tests: nothing may leak).
int CountSocketConnections();

// Set while the network log sends or accepts: the connection layer must then
// neither log (the log's lock is held) nor stop the program (stopping logs),
// and treats what would be fatal as a broken connection instead.
extern thread_local int InsideLogService;

// Log through the program's log unless inside the network log.
void NetLog(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Stops the program through Fail, except inside the network log, where it
// returns so the caller can mark the connection broken.
void NetFail(const char* format, ...) __attribute__((format(printf, 1, 2)));
