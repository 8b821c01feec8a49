#include "transport/rijndael.h"

#include <cstring>

Rijndael::Rijndael() : context_(EVP_CIPHER_CTX_new()) {}

Rijndael::~Rijndael() { EVP_CIPHER_CTX_free(context_); }

int Rijndael::init(Mode mode, Direction direction, const unsigned char* key, int keyLength, const unsigned char* iv) {
  ready_ = false;
  if (mode != ECB || iv) return BadMode;
  if (direction != Encrypt && direction != Decrypt) return BadDirection;
  if (!key || keyLength != kKeySize) return BadKeyLength;
  if (!context_) return CipherFailure;
  int ok = direction == Encrypt ? EVP_EncryptInit_ex(context_, EVP_aes_128_ecb(), nullptr, key, nullptr)
                                : EVP_DecryptInit_ex(context_, EVP_aes_128_ecb(), nullptr, key, nullptr);
  if (ok != 1 || EVP_CIPHER_CTX_set_padding(context_, 0) != 1) return CipherFailure;
  direction_ = direction;
  ready_ = true;
  return 0;
}

// ECB keeps no state between blocks, so every call is independent of the
// ones before it; no final step is needed with padding off and whole blocks.
int Rijndael::Run(Direction direction, const unsigned char* input, int length, unsigned char* output) {
  if (!ready_) return NotInitialized;
  if (direction != direction_) return BadDirection;
  if (length < 0 || length % kBlockSize) return BadLength;
  if (length == 0) return 0;
  int written = 0;
  int ok = direction == Encrypt ? EVP_EncryptUpdate(context_, output, &written, input, length)
                                : EVP_DecryptUpdate(context_, output, &written, input, length);
  if (ok != 1 || written != length) return CipherFailure;
  return length;
}

int Rijndael::blockEncrypt(const unsigned char* input, int length, unsigned char* output) {
  return Run(Encrypt, input, length, output);
}

int Rijndael::blockDecrypt(const unsigned char* input, int length, unsigned char* output) {
  return Run(Decrypt, input, length, output);
}

int Rijndael::padEncrypt(const unsigned char* input, int length, unsigned char* output) {
  if (length < 0) return BadLength;
  int whole = length / kBlockSize * kBlockSize;
  int done = Run(Encrypt, input, whole, output);
  if (done < 0) return done;
  unsigned char last[kBlockSize] = {};
  if (length > whole) memcpy(last, input + whole, length - whole);
  int tail = Run(Encrypt, last, kBlockSize, output + whole);
  if (tail < 0) return tail;
  return whole + kBlockSize;
}

int Rijndael::padDecrypt(const unsigned char* input, int length, unsigned char* output) {
  int done = Run(Decrypt, input, length, output);
  if (done <= 0) return done;
  int c = output[done - 1];
  if (c < 1 || c > 15) return done;
  for (int i = done - c; i < done; i++) {
    if (output[i] != c) return done;
  }
  return done - c;
}
