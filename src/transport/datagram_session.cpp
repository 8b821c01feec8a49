#include "transport/datagram_session.h"

#include <cstring>

#include "foundation/fail.h"
#include "foundation/log.h"
#include "transport/datagram_framing.h"
#include "transport/socket_connection.h"

namespace {

// A frame is opened in place at offset 8 of the receive buffer, so the
// buffer keeps this much room beyond the largest frame.
constexpr unsigned kReceiveSlack = 16;

}  // namespace

void DatagramSession::SetPacketBuffered(int capacity) {
  if (capacity <= 0) ::Fail("bad packet buffer size %d", capacity);
  capacity_ = static_cast<unsigned>(capacity) < kMaxFrameSize ? static_cast<unsigned>(capacity) : kMaxFrameSize;
  receive_buffer_.assign(capacity_ + kReceiveSlack, 0);
  decrypt_buffer_.assign(capacity_ + kReceiveSlack, 0);
  fill_ = 0;
  frame_done_ = false;
}

int DatagramSession::InitEncryption(const unsigned char* key, int length) {
  if (!key || length < Rijndael::kKeySize) return 0;
  auto encryptor = std::make_shared<Rijndael>();
  auto decryptor = std::make_shared<Rijndael>();
  if (encryptor->init(Rijndael::ECB, Rijndael::Encrypt, key, Rijndael::kKeySize) ||
      decryptor->init(Rijndael::ECB, Rijndael::Decrypt, key, Rijndael::kKeySize))
    return 0;
  std::lock_guard<std::mutex> hold(send_mutex_);
  encryptor_ = std::move(encryptor);
  decryptor_ = std::move(decryptor);
  return 1;
}

int DatagramSession::Send(DatagramTransport& link, Packet* packet, unsigned length) {
  std::lock_guard<std::mutex> hold(send_mutex_);
  return SendLocked(link, packet, length);
}

int DatagramSession::SendCopy(DatagramTransport& link, const Packet* packet, unsigned length) {
  std::lock_guard<std::mutex> hold(send_mutex_);
  if (length < kPacketHeaderSize || length > kMaxPacketSize) return SendLocked(link, nullptr, length);
  copy_buffer_.assign(packet->Bytes(), packet->Bytes() + length);
  return SendLocked(link, reinterpret_cast<Packet*>(copy_buffer_.data()), length);
}

int DatagramSession::SendLocked(DatagramTransport& link, Packet* packet, unsigned length) {
  if (link.Flags() & sockflags_fatal_error) return 0;
  if (length < kPacketHeaderSize || length > kMaxPacketSize) {
    Log("datagram of %u bytes not sent", length);
    return 0;
  }
  if (!encryptor_) {
    packet->SetSize(length);
    return Emit(link, packet->Bytes(), length);
  }
  if (!(link.Flags() & sockflags_no_checksum)) packet->SetChecksum(PacketChecksum(packet->Bytes(), length));
  unsigned frameLength =
      BuildEncryptedFrame(*encryptor_, packet->Bytes(), length, (link.Flags() & sockflags_compress_out) != 0,
                          compress_buffer_, send_buffer_);
  if (!frameLength) {
    Log("datagram of %u bytes cannot be framed", length);
    return 0;
  }
  return Emit(link, send_buffer_.data(), frameLength);
}

int DatagramSession::Emit(DatagramTransport& link, const unsigned char* frame, size_t length) {
  if (PendingBytes()) {
    int flushed = Flush(link);
    if (flushed < 0) return 0;
    if (flushed == 0) {
      pending_.insert(pending_.end(), frame, frame + length);
      return 1;
    }
  }
  long sent = link.SendBytes(frame, length);
  if (sent < 0) return 0;
  if (static_cast<size_t>(sent) < length) pending_.insert(pending_.end(), frame + sent, frame + length);
  return 1;
}

int DatagramSession::Flush(DatagramTransport& link) {
  size_t left = PendingBytes();
  if (!left) return 1;
  long sent = link.SendBytes(pending_.data() + pending_start_, left);
  if (sent < 0) {
    pending_.clear();
    pending_start_ = 0;
    return -1;
  }
  pending_start_ += static_cast<size_t>(sent);
  if (pending_start_ < pending_.size()) return 0;
  pending_.clear();
  pending_start_ = 0;
  return 1;
}

int DatagramSession::SentRemainingData(DatagramTransport& link) {
  std::lock_guard<std::mutex> hold(send_mutex_);
  if (!PendingBytes()) return 1;
  if (link.Flags() & sockflags_fatal_error) {
    pending_.clear();
    pending_start_ = 0;
    return -1;
  }
  return Flush(link);
}

Packet* DatagramSession::Fail(DatagramTransport& link) {
  link.Flags() |= sockflags_fatal_error;
  return nullptr;
}

Packet* DatagramSession::Receive(DatagramTransport& link) {
  if (!capacity_) ::Fail("not packet buffered socket!");
  if (link.Flags() & sockflags_fatal_error) return nullptr;
  if (frame_done_) {
    fill_ = 0;
    frame_done_ = false;
  }
  // The key in force for this frame (InitEncryption may replace it meanwhile).
  std::shared_ptr<Rijndael> decryptor;
  {
    std::lock_guard<std::mutex> hold(send_mutex_);
    decryptor = decryptor_;
  }
  // Read exactly up to the end of the current frame, never into the next.
  while (fill_ < 2) {
    long got = link.ReceiveBytes(receive_buffer_.data() + fill_, 2 - fill_);
    if (got <= 0) return nullptr;
    fill_ += static_cast<unsigned>(got);
  }
  unsigned frameLength = receive_buffer_[0] | receive_buffer_[1] << 8;
  if (frameLength > capacity_) return Fail(link);
  // A plain frame is a whole packet; an encrypted one is at least its length
  // prefix (shorter ones are refused below as undecryptable).
  if (frameLength < (decryptor ? 2u : kPacketHeaderSize)) {
    Log("bad datagram frame length %u", frameLength);
    return Fail(link);
  }
  while (fill_ < frameLength) {
    long got = link.ReceiveBytes(receive_buffer_.data() + fill_, frameLength - fill_);
    if (got <= 0) return nullptr;
    fill_ += static_cast<unsigned>(got);
  }
  frame_done_ = true;
  Packet* packet = reinterpret_cast<Packet*>(receive_buffer_.data());

  if (!decryptor) {
    if (packet->Type() == kKeyPacketType) {
      // Copy out: GenerateKey sends, and a later receive reuses the buffer.
      if (frameLength != kKeyPacketSize) {
        Log("bad key exchange packet, %u bytes", frameLength);
        return Fail(link);
      }
      EncryptionKeyPacket peer;
      memcpy(&peer, packet, kKeyPacketSize);
      if (!GenerateKey(link, &peer)) return nullptr;
    }
    return packet;
  }

  OpenedFrame opened = OpenEncryptedFrame(*decryptor, frameLength, (link.Flags() & sockflags_compressed_in) != 0,
                                          decrypt_buffer_, receive_buffer_);
  packet = reinterpret_cast<Packet*>(receive_buffer_.data());
  switch (opened.error) {
    case FrameError::None: return packet;
    case FrameError::Decrypt: Log("padDecrypt error %d", opened.detail); break;
    case FrameError::Malformed: Log("malformed datagram, frame of %u bytes", frameLength); break;
    case FrameError::TooLong: Log("datagram too long after decoding, frame of %u bytes", frameLength); break;
    case FrameError::Checksum:
      Log("ERROR: packet checksum failed, pktln=%d", static_cast<int>(opened.restoredLength + kPacketChecksumOffset));
      Log("p->PktType = %d", static_cast<int>(packet->Type()));
      Log("p->SizeBuf[0] = %d", packet->SizeBuf[0]);
      Log("p->SizeBuf[1] = %d", packet->SizeBuf[1]);
      Log("p->RoutingType = %d", packet->RoutingType);
      break;
  }
  return Fail(link);
}

int DatagramSession::GenerateKey(DatagramTransport& link, const EncryptionKeyPacket* peer) {
  if (!(link.Flags() & sockflags_key_sent)) {
    if (!exchange_.NewExponent()) {
      Log("no key material for the key exchange");
      Fail(link);
      return 0;
    }
    EncryptionKeyPacket mine;
    memset(&mine, 0, sizeof mine);
    mine.header.SetType(kKeyPacketType);
    if (!exchange_.PublicValue(mine.Digits)) {
      Fail(link);
      return 0;
    }
    mine.SetDigitBytes(kKeyValueBytes);
    // The key packet always goes plain: it is what sets up encryption.
    {
      std::lock_guard<std::mutex> hold(send_mutex_);
      if (link.Flags() & sockflags_fatal_error) return 0;
      mine.header.SetSize(kKeyPacketSize);
      if (!Emit(link, mine.header.Bytes(), kKeyPacketSize)) return 0;
    }
    link.Flags() |= sockflags_key_sent;
  }
  if (!peer) return 1;
  unsigned char key[16];
  unsigned count = peer->DigitBytes();
  if (count > kKeyDigitRoom || !exchange_.SessionKey(peer->Digits, count, key)) {
    Log("bad key exchange packet, %u digit bytes", count);
    Fail(link);
    return 0;
  }
  int ok = InitEncryption(key, sizeof key);
  memset(key, 0, sizeof key);
  if (!ok) Fail(link);
  return ok;
}
