// MD5 digests (RFC 1321) of files and bytes, and their hexadecimal form.
#pragma once

#include <cstddef>

constexpr int kMD5Size = 16;

// The digest of a file's contents, read through File (so a compressed file
// gives the digest of its uncompressed contents).
// Returns 1 and fills digest, or 0 when the file cannot be opened.
int GetMD5(const char* name, unsigned char digest[kMD5Size]);
// The digest of size bytes.
void MD5OfBytes(const void* data, size_t size, unsigned char digest[kMD5Size]);

// A digest taken piece by piece, for code that reads the bytes anyway (a
// copy, a pass that redraws between blocks). Not copyable.
class MD5Stream {
 public:
  MD5Stream();
  ~MD5Stream();
  MD5Stream(const MD5Stream&) = delete;
  MD5Stream& operator=(const MD5Stream&) = delete;
  void Add(const void* data, size_t size);
  // The digest of everything added; the stream is spent afterwards.
  void Finish(unsigned char digest[kMD5Size]);

 private:
  void* context_;
};

// 32 lower-case hex digits and a terminator.
void MD5ToHex(const unsigned char digest[kMD5Size], char hex[2 * kMD5Size + 1]);
// Parses exactly 32 hex digits (either case); false on anything else.
bool HexToMD5(const char* hex, unsigned char digest[kMD5Size]);
