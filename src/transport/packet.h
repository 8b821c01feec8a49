// The packet buffer of the datagram layer and the key-exchange packet.
//
// A packet is a byte buffer, little-endian throughout:
//   0  2  SizeBuf: total packet length in bytes, these two included
//   2  1  RoutingType
//   3  5  further header bytes of the message layer (sent in plain mode only)
//   8  2  checksum over bytes 10 onwards (PacketChecksum)
//  10  2  PktType; 0xFFFF marks a key-exchange packet
//  12  .. payload
// The structs below only name these offsets; packets live in byte buffers
// of whatever length SizeBuf says, so every member is a byte (alignment 1).
#pragma once

#include <cstddef>

constexpr unsigned kPacketHeaderSize = 12;
constexpr unsigned kPacketChecksumOffset = 8;
constexpr unsigned kPacketTypeOffset = 10;
constexpr unsigned kKeyPacketType = 0xFFFF;
// A packet's length must fit SizeBuf.
constexpr unsigned kMaxPacketSize = 0xFFFF;

struct Packet {
  unsigned char SizeBuf[2];
  unsigned char RoutingType;
  unsigned char MessageHeader[5];
  unsigned char Checksum[2];
  unsigned char PktType[2];

  unsigned char* Bytes() { return reinterpret_cast<unsigned char*>(this); }
  const unsigned char* Bytes() const { return reinterpret_cast<const unsigned char*>(this); }
  unsigned char* Payload() { return Bytes() + kPacketHeaderSize; }
  const unsigned char* Payload() const { return Bytes() + kPacketHeaderSize; }

  unsigned Size() const { return SizeBuf[0] | SizeBuf[1] << 8; }
  void SetSize(unsigned size) {
    SizeBuf[0] = static_cast<unsigned char>(size);
    SizeBuf[1] = static_cast<unsigned char>(size >> 8);
  }
  unsigned Type() const { return PktType[0] | PktType[1] << 8; }
  void SetType(unsigned type) {
    PktType[0] = static_cast<unsigned char>(type);
    PktType[1] = static_cast<unsigned char>(type >> 8);
  }
  unsigned StoredChecksum() const { return Checksum[0] | Checksum[1] << 8; }
  void SetChecksum(unsigned sum) {
    Checksum[0] = static_cast<unsigned char>(sum);
    Checksum[1] = static_cast<unsigned char>(sum >> 8);
  }
};
static_assert(sizeof(Packet) == kPacketHeaderSize && alignof(Packet) == 1);

// The key-exchange packet: a Packet with PktType 0xFFFF, then the sender's
// public value as 16-bit little-endian digits (digit order: see
// transport/key_exchange.h), then a 32-bit little-endian count of the digit
// bytes in use. Always sent whole: 4112 bytes.
constexpr unsigned kKeyDigitRoom = 4096;
struct EncryptionKeyPacket {
  Packet header;
  unsigned char Digits[kKeyDigitRoom];
  unsigned char DigitByteCount[4];

  unsigned DigitBytes() const {
    return DigitByteCount[0] | DigitByteCount[1] << 8 | DigitByteCount[2] << 16 |
           static_cast<unsigned>(DigitByteCount[3]) << 24;
  }
  void SetDigitBytes(unsigned count) {
    for (int i = 0; i < 4; i++) DigitByteCount[i] = static_cast<unsigned char>(count >> (8 * i));
  }
};
constexpr unsigned kKeyPacketSize = 4112;
static_assert(sizeof(EncryptionKeyPacket) == kKeyPacketSize && alignof(EncryptionKeyPacket) == 1);
static_assert(offsetof(EncryptionKeyPacket, DigitByteCount) == 4108);

// The 16-bit checksum of the packet bytes [10, length): h starts at 0 and
// for each non-zero byte becomes 2 * h + byte, kept to 16 bits. Zero bytes
// are skipped, so trailing zero padding does not change it. A length of 10
// or less gives 0.
unsigned PacketChecksum(const unsigned char* packet, size_t length);
