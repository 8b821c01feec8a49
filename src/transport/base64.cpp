#include "transport/base64.h"

#include <openssl/evp.h>

#include <cstring>

#include "foundation/alloc.h"

char* ToBase64(const char* text) {
  size_t n = std::strlen(text);
  size_t outSize = 4 * ((n + 2) / 3) + 1;
  char* out = static_cast<char*>(MustAlloc(outSize));
  EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out), reinterpret_cast<const unsigned char*>(text), int(n));
  out[outSize - 1] = '\0';
  return out;
}
