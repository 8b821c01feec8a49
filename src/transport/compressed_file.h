// The compressed-file container: a masked, check-summed 32-byte header and
// then blocks, each a 4-byte little-endian length and one LZS stream that
// decodes to exactly 16384 bytes (the last block to the remainder).
//
// Header after unmasking: 20-byte signature ("GRTI Compressed File" for
// version 1, "GRTI Compressed Fil2" for version 2), 4 bytes that hold the
// block size (16384) in the files we write and are not read back, the total
// uncompressed size, and a check value over bytes 0..27.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

constexpr int kCompressedHeaderSize = 32;
constexpr int kCompressedBlockSize = 16384;

// Unmasks (or masks: the operation is its own inverse) a 32-byte header.
void MaskCompressedHeader(unsigned char header[kCompressedHeaderSize]);
// h = 2h + byte over bytes 0..27, modulo 2^32.
uint32_t CompressedHeaderCheck(const unsigned char* header);
// The stored (masked) version-2 header for a file of totalSize bytes.
void MakeCompressedHeader(uint32_t totalSize, unsigned char out[kCompressedHeaderSize]);
// 0: not a header; 1: version 1; 2: version 2. Takes the stored bytes.
int CompressedHeaderVersion(const unsigned char stored[kCompressedHeaderSize]);

// 1 when the first 32 bytes of stream, unmasked, carry either signature and
// a correct check value, else 0. Always leaves the stream at offset 0.
int CheckIfCompressed(FILE* stream);

// Damage in a compressed file normally stops the program with its message.
// While a CompressedDamageIsError object lives on this thread, the damage
// throws CompressedDamage instead, for readers that treat a damaged file as
// one more bad file (a digest check, which then fetches the file again).
struct CompressedDamage {
  const char* what;
};
class CompressedDamageIsError {
 public:
  CompressedDamageIsError();
  ~CompressedDamageIsError();
  CompressedDamageIsError(const CompressedDamageIsError&) = delete;
  CompressedDamageIsError& operator=(const CompressedDamageIsError&) = delete;
};

// Reads a version-2 compressed file block by block. Damage ends the program
// through Fail ("bad read of header", "bad header", "really bad header",
// "bad compressed file", "bad buffer fill", "bad compressed block"); version 1
// files are recognised and refused. Only one block is held in memory.
class CompressedFileHandle {
 public:
  // Takes ownership of stream, which must be positioned at the header.
  explicit CompressedFileHandle(FILE* stream);
  ~CompressedFileHandle();  // closes the stream
  CompressedFileHandle(const CompressedFileHandle&) = delete;
  CompressedFileHandle& operator=(const CompressedFileHandle&) = delete;

  // The next byte (0..255), or -1 at the end of the data.
  int GetC();
  // Copies up to count bytes and returns how many; fewer only at the end.
  int Read(void* buffer, int count);
  // Reads and decodes the next block into the buffer.
  void BufferFill();

  uint32_t TotalSize() const { return totalSize; }
  uint32_t Position() const { return position; }

 private:
  struct StreamCloser {
    void operator()(FILE* f) const { std::fclose(f); }
  };
  // Members own their resources, so a fatal stop in the constructor (which
  // unwinds) still closes the stream and frees the buffer.
  std::unique_ptr<FILE, StreamCloser> stream;
  uint32_t totalSize;
  uint32_t position;                        // bytes delivered so far
  uint32_t end;                             // position just past the decoded data in the buffer
  std::unique_ptr<unsigned char[]> buffer;  // min(totalSize, 16384) bytes; data for p at [p % 16384]
  unsigned char version;                    // 0: version 1, 1: version 2
};

// The container for size bytes of data: header, then the data in blocks of
// 16384 bytes (the last one shorter), each LZS-encoded. Returns false when
// the data is too large for the 32-bit size field.
bool BuildCompressedFile(const unsigned char* data, size_t size, std::vector<unsigned char>& out);
