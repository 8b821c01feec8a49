// LZS: the LZSS dictionary codec shared by compressed files, compressed
// datagrams and texture data. A 4096-byte ring pre-filled with spaces (the
// first 4078 positions), matches of 3 to 18 bytes, groups of one flag byte
// and up to eight items (flag bit 1: literal byte; 0: two-byte match
// b0 | (b1 & 0xF0) << 4 = ring position, (b1 & 0x0F) + 3 = length).
// The stream has no header and no end marker.
#pragma once

#include <cstddef>

constexpr int kLZSRingSize = 4096;
constexpr int kLZSMaxMatch = 18;
constexpr int kLZSMinMatch = 3;

// The destination size LZSEncode may need for length input bytes.
constexpr long LZSWorstCase(long length) { return length + length / 8 + 1; }

// Encodes length bytes of source into destination and returns the number of
// bytes written. destination must hold LZSWorstCase(length) bytes; that bound
// is not checked. Deterministic: the same input always gives the same bytes
// (the binary-tree match finder, ties going to the first node met on the
// walk). Allocates nothing per byte; its tree lives on the stack.
int LZSEncode(const unsigned char* source, unsigned char* destination, int length);

// Decodes sourceLength bytes into destination. Returns 0 when the source was
// used up and 1 when a byte would have been produced beyond capacity, in
// which case decoding stops there; produced receives the bytes written in
// both cases. Never writes at or past destination + capacity, whatever the
// input. A match cut off after its first byte ends the decoding.
int LZSDecode(const unsigned char* source, unsigned char* destination, int sourceLength, int& produced,
              unsigned capacity);

// The same codec as a stream, in bounded memory whatever the length: the
// state is the ring and, for the encoder, its match trees (about 50 KB).

// Encodes a stream given in pieces. Encode consumes what it can of the n
// bytes offered and returns how many it took; unless last is set it keeps
// back fewer than kLZSMaxMatch bytes, which the caller offers again at the
// start of the next piece. With last set it takes everything and ends the
// stream; the encoder is then spent. The output is exactly LZSEncode's for
// the whole stream, however it is cut. destination must hold
// LZSStreamBound(n) bytes; the count written is stored in written.
class LZSStreamEncoder {
 public:
  LZSStreamEncoder() = default;
  LZSStreamEncoder(const LZSStreamEncoder&) = delete;
  LZSStreamEncoder& operator=(const LZSStreamEncoder&) = delete;
  size_t Encode(const unsigned char* source, size_t n, bool last, unsigned char* destination, size_t& written);

 private:
  void Start(const unsigned char*& in, const unsigned char* inEnd);
  void InsertNode(int r);
  void DeleteNode(int p);

  static constexpr int kNil = kLZSRingSize;  // the null link
  // The ring plus a guard of kLZSMaxMatch-1 bytes mirroring its first
  // positions, so that string comparisons near the end never wrap.
  unsigned char text_[kLZSRingSize + kLZSMaxMatch - 1];
  // Binary trees of the strings at each ring position, one per first byte:
  // rson_[N+1 .. N+256] are the roots.
  int lson_[kLZSRingSize + 1];
  int rson_[kLZSRingSize + 257];
  int dad_[kLZSRingSize + 1];
  int matchPosition_ = 0;
  int matchLength_ = 0;
  bool started_ = false;
  int s_ = 0, r_ = 0, len_ = 0;  // oldest ring position, look-ahead start, look-ahead length
  unsigned char code_[17];       // the open item group: flag byte and up to 8 items
  int codePtr_ = 1;
  unsigned char mask_ = 1;
};

// Output room for one LZSStreamEncoder::Encode call offered n bytes: the
// look-ahead carried in and the item group left open add to the bound.
constexpr size_t LZSStreamBound(size_t n) { return n + kLZSMaxMatch + (n + kLZSMaxMatch) / 8 + 18; }

// Decodes a stream given in pieces. Decode takes input until it is used up
// or destination is full, advancing source and destination past what it
// consumed and produced; a match cut by the end of a piece or of the room
// continues in the next call. A stream that ends mid-item is shown by
// MidItem() after the last piece, and what was produced stands.
class LZSStreamDecoder {
 public:
  LZSStreamDecoder();
  // True when the input is used up, false when destination filled first
  // with bytes still to come.
  bool Decode(const unsigned char*& source, const unsigned char* sourceEnd, unsigned char*& destination,
              unsigned char* destinationEnd);
  bool MidItem() const { return held_ >= 0 || matchLeft_ > 0; }

 private:
  unsigned char ring_[kLZSRingSize];
  unsigned r_ = kLZSRingSize - kLZSMaxMatch;
  unsigned flags_ = 0;
  int held_ = -1;  // the first byte of a match whose second is still to come
  unsigned matchPosition_ = 0;
  unsigned matchLeft_ = 0;
};
