#include "transport/md5.h"

#include <openssl/evp.h>

#include <memory>

#include "foundation/fail.h"
#include "transport/compressed_file.h"
#include "transport/file.h"

namespace {
struct ContextDeleter {
  void operator()(EVP_MD_CTX* c) const { EVP_MD_CTX_free(c); }
};
using Context = std::unique_ptr<EVP_MD_CTX, ContextDeleter>;

Context NewContext() {
  Context ctx(EVP_MD_CTX_new());
  if (!ctx || EVP_DigestInit_ex(ctx.get(), EVP_md5(), nullptr) != 1) Fail("MD5 is not available");
  return ctx;
}

void Finish(EVP_MD_CTX* ctx, unsigned char digest[kMD5Size]) {
  unsigned int length = 0;
  EVP_DigestFinal_ex(ctx, digest, &length);
}

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
    Context ctx = NewContext();
    unsigned char block[4096];
    for (;;) {
      unsigned got = file.Read(block, 1, sizeof block);
      if (got) EVP_DigestUpdate(ctx.get(), block, got);
      if (got < sizeof block) break;
    }
    Finish(ctx.get(), digest);
    return 1;
  } catch (const CompressedDamage&) {
    return 0;
  }
}

void MD5OfBytes(const void* data, size_t size, unsigned char digest[kMD5Size]) {
  Context ctx = NewContext();
  EVP_DigestUpdate(ctx.get(), data, size);
  Finish(ctx.get(), digest);
}

MD5Stream::MD5Stream() : context_(NewContext().release()) {}

MD5Stream::~MD5Stream() { EVP_MD_CTX_free(static_cast<EVP_MD_CTX*>(context_)); }

void MD5Stream::Add(const void* data, size_t size) {
  if (size) EVP_DigestUpdate(static_cast<EVP_MD_CTX*>(context_), data, size);
}

void MD5Stream::Finish(unsigned char digest[kMD5Size]) { ::Finish(static_cast<EVP_MD_CTX*>(context_), digest); }

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
