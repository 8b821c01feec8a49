#include "transport/compressed_file.h"

#include <cstring>

#include "foundation/fail.h"
#include "transport/lzs.h"

namespace {
thread_local int g_damageIsError = 0;

[[noreturn]] void Damage(const char* text) {
  if (g_damageIsError) throw CompressedDamage{text};
  Fail("%s", text);
}
}  // namespace

CompressedDamageIsError::CompressedDamageIsError() { ++g_damageIsError; }
CompressedDamageIsError::~CompressedDamageIsError() { --g_damageIsError; }

namespace {
constexpr char kSignature1[] = "GRTI Compressed File";
constexpr char kSignature2[] = "GRTI Compressed Fil2";
constexpr int kSignatureSize = 20;

// The mask over the stored header. Only its first 32 characters are used;
// writer and reader must agree on it for ever, so it never changes.
constexpr char kXorKey[] = "Quorvel Online packs its data files; keep this text!";
static_assert(sizeof kXorKey - 1 == 52, "the header mask text is 52 characters");

// Header bytes 20..23: the block size, for anyone inspecting a file.
constexpr uint32_t kHeaderReservedValue = kCompressedBlockSize;

// A block never legitimately holds more than the encoder's worst case for a
// full block; a larger length is damage, refused before allocating.
constexpr uint32_t kMaxBlockLength = static_cast<uint32_t>(LZSWorstCase(kCompressedBlockSize));

uint32_t GetLE32(const unsigned char* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
void PutLE32(unsigned char* p, uint32_t v) {
  p[0] = static_cast<unsigned char>(v);
  p[1] = static_cast<unsigned char>(v >> 8);
  p[2] = static_cast<unsigned char>(v >> 16);
  p[3] = static_cast<unsigned char>(v >> 24);
}

// 0: neither signature; 1 or 2 otherwise. Takes the unmasked header.
int SignatureVersion(const unsigned char* header) {
  if (!std::memcmp(header, kSignature1, kSignatureSize)) return 1;
  if (!std::memcmp(header, kSignature2, kSignatureSize)) return 2;
  return 0;
}
}  // namespace

void MaskCompressedHeader(unsigned char header[kCompressedHeaderSize]) {
  for (int i = 0; i < kCompressedHeaderSize; ++i) header[i] ^= static_cast<unsigned char>(kXorKey[i]);
}

uint32_t CompressedHeaderCheck(const unsigned char* header) {
  uint32_t h = 0;
  for (int i = 0; i < 28; ++i) h = 2 * h + header[i];
  return h;
}

void MakeCompressedHeader(uint32_t totalSize, unsigned char out[kCompressedHeaderSize]) {
  std::memcpy(out, kSignature2, kSignatureSize);
  PutLE32(out + 20, kHeaderReservedValue);
  PutLE32(out + 24, totalSize);
  PutLE32(out + 28, CompressedHeaderCheck(out));
  MaskCompressedHeader(out);
}

int CompressedHeaderVersion(const unsigned char stored[kCompressedHeaderSize]) {
  unsigned char header[kCompressedHeaderSize];
  std::memcpy(header, stored, sizeof header);
  MaskCompressedHeader(header);
  int version = SignatureVersion(header);
  if (!version || CompressedHeaderCheck(header) != GetLE32(header + 28)) return 0;
  return version;
}

int CheckIfCompressed(FILE* stream) {
  unsigned char stored[kCompressedHeaderSize];
  // A stream that cannot seek (a pipe) cannot be given back its first bytes
  // after the test, so it is read as it is: plain.
  if (std::fseek(stream, 0, SEEK_SET) != 0) return 0;
  size_t got = std::fread(stored, 1, sizeof stored, stream);
  std::fseek(stream, 0, SEEK_SET);
  if (got != sizeof stored) return 0;
  return CompressedHeaderVersion(stored) ? 1 : 0;
}

CompressedFileHandle::CompressedFileHandle(FILE* s) : stream(s), totalSize(0), position(0), end(0), version(1) {
  unsigned char header[kCompressedHeaderSize];
  if (std::fread(header, 1, sizeof header, stream.get()) != sizeof header) Damage("bad read of header");
  MaskCompressedHeader(header);
  int v = SignatureVersion(header);
  if (!v) Damage("bad header");
  version = static_cast<unsigned char>(v - 1);
  if (CompressedHeaderCheck(header) != GetLE32(header + 28)) Damage("really bad header");
  // Version 1 blocks use an encoding nobody writes any more; refuse them
  // rather than deliver bytes of unknown meaning.
  if (version == 0) Damage("compressed file version 1 is not supported");
  totalSize = GetLE32(header + 24);
  uint32_t bufferSize = totalSize < kCompressedBlockSize ? totalSize : kCompressedBlockSize;
  buffer.reset(new unsigned char[bufferSize ? bufferSize : 1]);
  if (totalSize) BufferFill();
}

CompressedFileHandle::~CompressedFileHandle() = default;

void CompressedFileHandle::BufferFill() {
  unsigned char lengthBytes[4];
  if (std::fread(lengthBytes, 1, 4, stream.get()) != 4) Damage("bad compressed file");
  uint32_t length = GetLE32(lengthBytes);
  if (length > kMaxBlockLength) Damage("bad compressed file");
  std::vector<unsigned char> block(length ? length : 1);
  if (std::fread(block.data(), 1, length, stream.get()) != length) Damage("bad buffer fill");
  // Each block must decode to exactly the bytes it stands for: a full block,
  // or the remainder for the last one. Anything else would shift every later
  // byte to the wrong place, so it is damage. The capacity never exceeds the
  // buffer, however short the file claims to be.
  uint32_t remaining = totalSize - position;
  uint32_t expected = remaining < kCompressedBlockSize ? remaining : kCompressedBlockSize;
  int produced = 0;
  int overflow = LZSDecode(block.data(), buffer.get(), static_cast<int>(length), produced, expected);
  if (overflow || static_cast<uint32_t>(produced) != expected) Damage("bad compressed block");
  end = position + expected;
}

int CompressedFileHandle::GetC() {
  if (position == end) {
    if (position == totalSize) return -1;
    BufferFill();
  }
  return buffer[position++ % kCompressedBlockSize];
}

int CompressedFileHandle::Read(void* out, int count) {
  unsigned char* dst = static_cast<unsigned char*>(out);
  int copied = 0;
  while (copied < count && position < totalSize) {
    if (position == end) BufferFill();
    uint32_t available = end - position;
    uint32_t n = static_cast<uint32_t>(count - copied) < available ? static_cast<uint32_t>(count - copied) : available;
    std::memcpy(dst + copied, buffer.get() + position % kCompressedBlockSize, n);
    copied += static_cast<int>(n);
    position += n;
  }
  return copied;
}

bool BuildCompressedFile(const unsigned char* data, size_t size, std::vector<unsigned char>& out) {
  if (size > 0xFFFFFFFFu) return false;
  out.resize(kCompressedHeaderSize);
  MakeCompressedHeader(static_cast<uint32_t>(size), out.data());
  unsigned char encoded[LZSWorstCase(kCompressedBlockSize)];
  for (size_t at = 0; at < size; at += kCompressedBlockSize) {
    int n = static_cast<int>(size - at < kCompressedBlockSize ? size - at : kCompressedBlockSize);
    int length = LZSEncode(data + at, encoded, n);
    size_t header = out.size();
    out.resize(header + 4 + length);
    PutLE32(out.data() + header, static_cast<uint32_t>(length));
    std::memcpy(out.data() + header + 4, encoded, length);
  }
  return true;
}
