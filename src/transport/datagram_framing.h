// Encrypted datagram frames, on bytes: building one from a packet and
// opening one back into a packet. No I/O and no connection state here; the
// connection's DatagramSession (transport/datagram_session.h) keeps the
// buffers and does the sending and receiving.
//
// Encrypted frame: a 2-byte little-endian frame length (the two bytes
// included), then the Rijndael ciphertext of the plaintext P.
//  - Without compression P is the packet from offset 8 (checksum, type,
//    payload).
//  - With compression P is a 2-byte little-endian header H and data: the
//    LZS stream of the packet from offset 8 when that is shorter (H = its
//    length), else the raw bytes with H = raw length | 0x8000.
// The first eight packet bytes are not sent; the receiver rebuilds SizeBuf
// from the restored length and zeroes bytes 2 to 7.
#pragma once

#include <vector>

#include "transport/packet.h"
#include "transport/rijndael.h"

constexpr unsigned kRawDataBit = 0x8000;
// The largest frame the 2-byte length can describe.
constexpr unsigned kMaxFrameSize = 0xFFFF;

// Builds the encrypted frame of packet (length bytes, at least 12, its
// checksum already in place) into frame, which is resized to the frame
// length. scratch is the reusable compression buffer. Returns the frame
// length, or 0 when the packet cannot be framed (shorter than a header; a
// frame longer than 65535 bytes; with compression, neither the compressed
// nor the raw length fits the 15 bits of H) or the cipher fails.
unsigned BuildEncryptedFrame(Rijndael& encryptor, const unsigned char* packet, unsigned length, bool compress,
                             std::vector<unsigned char>& scratch, std::vector<unsigned char>& frame);

enum class FrameError {
  None,
  Decrypt,    // the ciphertext is not a whole number of blocks, or the cipher failed
  Malformed,  // a compression header that points past the data, or no room for checksum and type
  TooLong,    // the restored packet would not fit SizeBuf
  Checksum,   // the checksum does not match
};

struct OpenedFrame {
  FrameError error = FrameError::None;
  int detail = 0;               // the cipher's error code for FrameError::Decrypt
  unsigned restoredLength = 0;  // D: bytes restored at offset 8
};

// Opens the encrypted frame held in packetBuffer (frameLength bytes from
// offset 0) in place: decrypts bytes 2 onwards into decryptBuffer (grown as
// needed), restores the packet from offset 8 of packetBuffer (LZS-decoded
// when compressed; the buffer grows by 4096 bytes while the decoder reports
// that the output does not fit, up to what SizeBuf can describe), verifies
// the checksum over [10, 8 + D) and, when it matches, zeroes bytes 2 to 7
// and writes D + 8 into SizeBuf (on a mismatch the first eight bytes are
// left as received). packetBuffer must hold at least frameLength + 8 bytes. Logs "nb=",
// "realloc at" and "dec size=" for compressed packets; the caller logs
// failures.
OpenedFrame OpenEncryptedFrame(Rijndael& decryptor, unsigned frameLength, bool compressed,
                               std::vector<unsigned char>& decryptBuffer, std::vector<unsigned char>& packetBuffer);
