// Rijndael with 128-bit blocks and a 128-bit key (AES-128) in ECB mode, the
// cipher of encrypted datagrams, over OpenSSL's EVP interface with its own
// padding switched off. One object encrypts or decrypts, never both.
//
// All lengths are in bytes. Functions return a byte count (>= 0) or one of
// the negative error codes below; nothing ends the program.
#pragma once

#include <openssl/evp.h>

class Rijndael {
 public:
  enum Mode { ECB = 1 };
  enum Direction { Encrypt = 0, Decrypt = 1 };
  static constexpr int kBlockSize = 16;
  static constexpr int kKeySize = 16;

  enum : int {
    BadMode = -1,         // a mode other than ECB, or an initialisation vector given
    BadKeyLength = -2,    // the key is not 16 bytes
    NotInitialized = -3,  // init was not called, or failed
    BadDirection = -4,    // encrypting with a decryptor or the reverse
    BadLength = -5,       // not a whole number of blocks where one is required
    CipherFailure = -6,   // the library refused the operation
  };

  Rijndael();
  ~Rijndael();
  Rijndael(const Rijndael&) = delete;
  Rijndael& operator=(const Rijndael&) = delete;

  // Keys the object. ECB takes no initialisation vector (iv must be null).
  // Returns 0 or an error code.
  int init(Mode mode, Direction direction, const unsigned char* key, int keyLength, const unsigned char* iv = nullptr);

  // Encrypts length bytes: the whole blocks, then one final block holding
  // the remaining 0 to 15 bytes followed by zero bytes. The result is always
  // 1 to 16 bytes longer than the input and a multiple of 16; output must
  // have room for length + 16 bytes. Returns the ciphertext length.
  int padEncrypt(const unsigned char* input, int length, unsigned char* output);

  // Decrypts length bytes (a multiple of 16) into output (room for length
  // bytes). A final padding of c bytes is removed only when the last byte c
  // is between 1 and 15 and the last c bytes all equal c; a zero last byte
  // removes nothing. Returns the plaintext length.
  int padDecrypt(const unsigned char* input, int length, unsigned char* output);

  // Whole blocks only (length a multiple of 16), no padding. Return length.
  int blockEncrypt(const unsigned char* input, int length, unsigned char* output);
  int blockDecrypt(const unsigned char* input, int length, unsigned char* output);

 private:
  int Run(Direction direction, const unsigned char* input, int length, unsigned char* output);

  EVP_CIPHER_CTX* context_ = nullptr;
  Direction direction_ = Encrypt;
  bool ready_ = false;
};
