#include "transport/datagram_framing.h"

#include <cstring>

#include "foundation/log.h"
#include "transport/lzs.h"

namespace {

// Packet growth step while decoding does not fit.
constexpr unsigned kGrowStep = 4096;
// The restored length D must leave SizeBuf = D + 8 within 16 bits.
constexpr unsigned kMaxRestored = kMaxPacketSize - kPacketChecksumOffset;

}  // namespace

unsigned BuildEncryptedFrame(Rijndael& encryptor, const unsigned char* packet, unsigned length, bool compress,
                             std::vector<unsigned char>& scratch, std::vector<unsigned char>& frame) {
  if (length < kPacketHeaderSize || length > kMaxPacketSize) return 0;
  const unsigned char* body = packet + kPacketChecksumOffset;
  unsigned bodyLength = length - kPacketChecksumOffset;
  const unsigned char* plain = body;
  unsigned plainLength = bodyLength;
  if (compress) {
    size_t room = 2 + static_cast<size_t>(LZSWorstCase(bodyLength));
    if (scratch.size() < room) scratch.resize(room);
    unsigned packed = static_cast<unsigned>(LZSEncode(body, scratch.data() + 2, static_cast<int>(bodyLength)));
    unsigned header;
    if (packed < bodyLength && packed < kRawDataBit) {
      header = packed;
      plainLength = 2 + packed;
    } else if (bodyLength < kRawDataBit) {
      header = bodyLength | kRawDataBit;
      memcpy(scratch.data() + 2, body, bodyLength);
      plainLength = 2 + bodyLength;
    } else {
      return 0;
    }
    scratch[0] = static_cast<unsigned char>(header);
    scratch[1] = static_cast<unsigned char>(header >> 8);
    plain = scratch.data();
  }
  // padEncrypt adds 1 to 16 bytes.
  unsigned cipherLength = (plainLength / Rijndael::kBlockSize + 1) * Rijndael::kBlockSize;
  unsigned frameLength = 2 + cipherLength;
  if (frameLength > kMaxFrameSize) return 0;
  frame.resize(frameLength);
  int written = encryptor.padEncrypt(plain, static_cast<int>(plainLength), frame.data() + 2);
  if (written != static_cast<int>(cipherLength)) return 0;
  frame[0] = static_cast<unsigned char>(frameLength);
  frame[1] = static_cast<unsigned char>(frameLength >> 8);
  return frameLength;
}

OpenedFrame OpenEncryptedFrame(Rijndael& decryptor, unsigned frameLength, bool compressed,
                               std::vector<unsigned char>& decryptBuffer, std::vector<unsigned char>& packetBuffer) {
  OpenedFrame result;
  unsigned cipherLength = frameLength < 2 ? 0 : frameLength - 2;
  if (decryptBuffer.size() < cipherLength) decryptBuffer.resize(cipherLength);
  int plainLength = decryptor.padDecrypt(packetBuffer.data() + 2, static_cast<int>(cipherLength), decryptBuffer.data());
  if (plainLength < 0) {
    result.error = FrameError::Decrypt;
    result.detail = plainLength;
    return result;
  }
  const unsigned char* plain = decryptBuffer.data();
  unsigned restored;
  if (!compressed) {
    restored = static_cast<unsigned>(plainLength);
    if (restored) memcpy(packetBuffer.data() + kPacketChecksumOffset, plain, restored);
  } else {
    if (plainLength < 2) {
      result.error = FrameError::Malformed;
      return result;
    }
    unsigned header = plain[0] | plain[1] << 8;
    unsigned available = static_cast<unsigned>(plainLength) - 2;
    unsigned dataLength = header & ~kRawDataBit;
    if (dataLength > available) {
      result.error = FrameError::Malformed;
      return result;
    }
    if (header & kRawDataBit) {
      restored = dataLength;
      memcpy(packetBuffer.data() + kPacketChecksumOffset, plain + 2, restored);
    } else {
      Log("nb=%d ps=%d", static_cast<int>(header), static_cast<int>(packetBuffer.size()));
      int produced = 0;
      for (;;) {
        size_t room = packetBuffer.size() - kPacketChecksumOffset;
        if (room > kMaxRestored) room = kMaxRestored;
        if (!LZSDecode(plain + 2, packetBuffer.data() + kPacketChecksumOffset, static_cast<int>(dataLength), produced,
                       static_cast<unsigned>(room)))
          break;
        if (room >= kMaxRestored) {
          result.error = FrameError::TooLong;
          return result;
        }
        packetBuffer.resize(packetBuffer.size() + kGrowStep);
        Log("realloc at %d", static_cast<int>(packetBuffer.size()));
      }
      Log("dec size=%d", produced);
      restored = static_cast<unsigned>(produced);
    }
  }
  if (restored > kMaxRestored) {
    result.error = FrameError::TooLong;
    return result;
  }
  if (restored < kPacketHeaderSize - kPacketChecksumOffset) {
    result.error = FrameError::Malformed;
    return result;
  }
  result.restoredLength = restored;
  Packet* packet = reinterpret_cast<Packet*>(packetBuffer.data());
  size_t end = kPacketChecksumOffset + restored;
  if (PacketChecksum(packetBuffer.data(), end) != packet->StoredChecksum()) {
    result.error = FrameError::Checksum;
    return result;
  }
  memset(packetBuffer.data() + 2, 0, kPacketChecksumOffset - 2);
  packet->SetSize(static_cast<unsigned>(end));
  return result;
}
