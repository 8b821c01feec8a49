#include "transport/md5.h"

// The one-shot MD5 functions need none of the provider set-up that the EVP
// interface does on first use (reading the library's configuration, loading
// the default provider), which costs more than digesting a small file and
// would dominate a short command. They are marked deprecated, not withdrawn.
#define OPENSSL_SUPPRESS_DEPRECATED
#include <openssl/md5.h>

#include "transport/compressed_file.h"
#include "transport/file.h"

namespace {
int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}
}  // namespace

int GetMD5(const char* name, unsigned char digest[kMD5Size]) {
  // A damaged compressed file has no digest of its contents: it is reported
  // like one that cannot be read, never by stopping the program.
  CompressedDamageIsError damageIsError;
  try {
    File file(name);
    if (!file.IsOpen()) return 0;
    MD5_CTX ctx;
    MD5_Init(&ctx);
    // Blocks this large keep the reads' system calls well below the hashing's
    // own cost on a large file.
    unsigned char block[64 * 1024];
    for (;;) {
      unsigned got = file.Read(block, 1, sizeof block);
      if (got) MD5_Update(&ctx, block, got);
      if (got < sizeof block) break;
    }
    MD5_Final(digest, &ctx);
    return 1;
  } catch (const CompressedDamage&) {
    return 0;
  }
}

void MD5OfBytes(const void* data, size_t size, unsigned char digest[kMD5Size]) {
  MD5(static_cast<const unsigned char*>(data), size, digest);
}

MD5Stream::MD5Stream() : context_(new MD5_CTX) { MD5_Init(static_cast<MD5_CTX*>(context_)); }

MD5Stream::~MD5Stream() { delete static_cast<MD5_CTX*>(context_); }

void MD5Stream::Add(const void* data, size_t size) {
  if (size) MD5_Update(static_cast<MD5_CTX*>(context_), data, size);
}

void MD5Stream::Finish(unsigned char digest[kMD5Size]) { MD5_Final(digest, static_cast<MD5_CTX*>(context_)); }

void MD5ToHex(const unsigned char digest[kMD5Size], char hex[2 * kMD5Size + 1]) {
  static const char digits[] = "0123456789abcdef";
  for (int i = 0; i < kMD5Size; ++i) {
    hex[2 * i] = digits[digest[i] >> 4];
    hex[2 * i + 1] = digits[digest[i] & 15];
  }
  hex[2 * kMD5Size] = 0;
}

bool HexToMD5(const char* hex, unsigned char digest[kMD5Size]) {
  unsigned char out[kMD5Size];
  for (int i = 0; i < kMD5Size; ++i) {
    int hi = HexValue(hex[2 * i]);
    if (hi < 0) return false;
    int lo = HexValue(hex[2 * i + 1]);
    if (lo < 0) return false;
    out[i] = static_cast<unsigned char>(hi << 4 | lo);
  }
  if (hex[2 * kMD5Size] != 0) return false;
  for (int i = 0; i < kMD5Size; ++i) digest[i] = out[i];
  return true;
}
