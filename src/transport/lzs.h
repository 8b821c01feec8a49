// LZS: the LZSS dictionary codec shared by compressed files, compressed
// datagrams and texture data. A 4096-byte ring pre-filled with spaces (the
// first 4078 positions), matches of 3 to 18 bytes, groups of one flag byte
// and up to eight items (flag bit 1: literal byte; 0: two-byte match
// b0 | (b1 & 0xF0) << 4 = ring position, (b1 & 0x0F) + 3 = length).
// The stream has no header and no end marker.
#pragma once

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
