// The datagram layer of a stream connection: length-prefixed packets over a
// byte stream, plain until a session key is agreed (Diffie-Hellman, see
// transport/key_exchange.h), then Rijndael-encrypted and optionally
// LZS-compressed (transport/datagram_framing.h).
//
// A RealTCPConnection owns one DatagramSession and forwards its datagram
// operations to it with itself as the DatagramTransport. The option and
// state bits live in the connection's flag word: sockflags_key_sent,
// sockflags_compress_out, sockflags_compressed_in, sockflags_no_checksum,
// and sockflags_fatal_error, which every broken frame sets.
//
// Key agreement: one side calls GenerateKey(nullptr); the other answers
// from inside Receive when the key packet arrives and is encrypted from then
// on; the first side is once the answer arrives. Until then the first side
// must send nothing else, since its peer decrypts whatever follows the key
// packet.
//
// Threads: Send, SendCopy, SentRemainingData and InitEncryption may be
// called from several threads (they share the send buffers and the keys
// under one mutex); Receive and GenerateKey belong to one receiving thread,
// which decrypts each frame with the key in force when the frame began.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

#include "transport/key_exchange.h"
#include "transport/packet.h"
#include "transport/rijndael.h"

// Frame bytes sent and received through the datagram layer of every
// connection since start-up.
extern std::atomic<unsigned long> TotalBytesRecievedAndSent;

// The byte stream under a session.
class DatagramTransport {
 public:
  virtual ~DatagramTransport() = default;
  // Sends up to length bytes without waiting indefinitely; returns how many
  // were taken (0 to length), or -1 when the connection is broken.
  virtual long SendBytes(const unsigned char* data, unsigned long length) = 0;
  // Reads up to length bytes without waiting; 0 when nothing is waiting or
  // the connection broke (which sets sockflags_fatal_error).
  virtual long ReceiveBytes(unsigned char* buffer, unsigned long length) = 0;
  // The connection's flag word.
  virtual unsigned& Flags() = 0;
};

class DatagramSession {
 public:
  DatagramSession() = default;
  // A copy starts afresh: no buffers, no key, nothing pending (a connection
  // copied for an accepted client shares nothing with its listener).
  DatagramSession(const DatagramSession&) : DatagramSession() {}
  DatagramSession& operator=(const DatagramSession&) = delete;

  // Allocates the receive buffer for frames of up to capacity bytes (frame
  // length prefix included). Required before Receive; taking part in a key
  // exchange needs at least kKeyPacketSize.
  void SetPacketBuffered(int capacity);
  bool IsPacketBuffered() const { return capacity_ > 0; }

  // Frames and sends length bytes of packet (at least 12, at most 65535).
  // Plain: SizeBuf is set to length and the packet is the frame. Encrypted:
  // the checksum is written into the packet (unless sockflags_no_checksum),
  // then compressed (sockflags_compress_out) and encrypted. A frame that is
  // only partly taken by the stream is kept and sent ahead of later frames
  // (SentRemainingData). Returns 1 when the frame was sent or kept, 0 when
  // it was dropped: the connection is broken or the packet cannot be framed.
  int Send(DatagramTransport& link, Packet* packet, unsigned length);
  // The same on a copy: the caller's packet is never written.
  int SendCopy(DatagramTransport& link, const Packet* packet, unsigned length);
  // Sends what is left of partly sent frames: 1 when nothing is pending, 0
  // while some is still unsent, -1 when the connection is broken (what was
  // pending is dropped).
  int SentRemainingData(DatagramTransport& link);

  // The next complete packet, or null when none is complete yet (the next
  // call continues with the same frame) or the connection broke. The packet
  // lives in the session's buffer until the next call. Encrypted packets
  // come back with SizeBuf = restored length + 8 and bytes 2 to 7 zero;
  // without compression the restored length includes the 1 to 16 zero bytes
  // of cipher padding. Without a key, a key-exchange packet (PktType 0xFFFF)
  // is first handed to GenerateKey, and returned too. Stops the program when
  // SetPacketBuffered was not called.
  Packet* Receive(DatagramTransport& link);

  // Sends this side's key packet unless sockflags_key_sent is set (with a
  // private exponent freshly drawn from the system's random source), then,
  // given the peer's key packet, agrees the session key and calls
  // InitEncryption. Returns 1, or 0 after breaking the connection when no
  // key material can be had or the peer's packet is unusable.
  int GenerateKey(DatagramTransport& link, const EncryptionKeyPacket* peer);
  // Keys both directions with the first 16 bytes of key, replacing any key
  // before. Returns 0 (and changes nothing) when length is below 16.
  int InitEncryption(const unsigned char* key, int length);

  bool Encrypted() const {
    std::lock_guard<std::mutex> hold(send_mutex_);
    return encryptor_ != nullptr;
  }
  // Bytes of partly sent frames still waiting.
  size_t PendingBytes() const { return pending_.size() - pending_start_; }

 private:
  int SendLocked(DatagramTransport& link, Packet* packet, unsigned length);
  // Sends frame bytes behind anything pending; keeps what is not taken.
  int Emit(DatagramTransport& link, const unsigned char* frame, size_t length);
  // Pushes pending bytes; 1 all gone, 0 some left, -1 broken.
  int Flush(DatagramTransport& link);
  Packet* Fail(DatagramTransport& link);

  mutable std::mutex send_mutex_;
  KeyExchange exchange_;
  // Shared so that Receive can keep using the decryptor it started with while
  // another thread installs a new key.
  std::shared_ptr<Rijndael> encryptor_, decryptor_;

  // Receiving: the frame being assembled, then the packet restored in place.
  std::vector<unsigned char> receive_buffer_;
  unsigned capacity_ = 0;
  unsigned fill_ = 0;
  bool frame_done_ = false;
  std::vector<unsigned char> decrypt_buffer_;

  // Sending.
  std::vector<unsigned char> send_buffer_;
  std::vector<unsigned char> compress_buffer_;
  std::vector<unsigned char> copy_buffer_;
  std::vector<unsigned char> pending_;
  size_t pending_start_ = 0;
};
