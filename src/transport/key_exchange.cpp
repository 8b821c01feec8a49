#include "transport/key_exchange.h"

#include <openssl/bn.h>
#include <openssl/evp.h>

#include <algorithm>
#include <cstring>

#include "platform/entropy.h"

const char kKeyExchangePrimeHex[] = "C49C5B74D8354F4C5A641BAC678FF98955719769D23131FB";

namespace {

// Owns the BIGNUMs and the context of one computation.
struct BigScratch {
  BN_CTX* ctx = BN_CTX_new();
  BIGNUM* p = nullptr;
  BIGNUM* base = BN_new();
  BIGNUM* exponent = BN_new();
  BIGNUM* result = BN_new();
  BigScratch() { BN_hex2bn(&p, kKeyExchangePrimeHex); }
  ~BigScratch() {
    BN_free(p);
    BN_free(base);
    BN_clear_free(exponent);
    BN_clear_free(result);
    BN_CTX_free(ctx);
  }
  bool Ready() const { return ctx && p && base && exponent && result; }
};

// result = base^exponent mod p, in constant time for the secret exponent.
bool Power(BigScratch& s) {
  BN_set_flags(s.exponent, BN_FLG_CONSTTIME);
  return BN_mod_exp(s.result, s.base, s.exponent, s.p, s.ctx) == 1;
}

}  // namespace

int KeyExchangePower(const unsigned char* base, unsigned baseBytes, const unsigned char* exponent,
                     unsigned exponentBytes, unsigned char out[kKeyValueBytes]) {
  BigScratch s;
  if (!s.Ready()) return 0;
  if (!BN_lebin2bn(base, static_cast<int>(baseBytes), s.base)) return 0;
  if (!BN_lebin2bn(exponent, static_cast<int>(exponentBytes), s.exponent)) return 0;
  if (!Power(s)) return 0;
  return BN_bn2lebinpad(s.result, out, kKeyValueBytes) == static_cast<int>(kKeyValueBytes);
}

int KeyExchange::NewExponent() {
  unsigned char fresh[kPrivateExponentBytes];
  do {
    if (!PlatGetEntropy(fresh, sizeof fresh)) return 0;
  } while (!std::any_of(fresh, fresh + sizeof fresh, [](unsigned char b) { return b != 0; }));
  SetExponent(fresh);
  OPENSSL_cleanse(fresh, sizeof fresh);
  return 1;
}

void KeyExchange::SetExponent(const unsigned char exponent[kPrivateExponentBytes]) {
  memcpy(exponent_, exponent, kPrivateExponentBytes);
  has_exponent_ = true;
}

int KeyExchange::PublicValue(unsigned char out[kKeyValueBytes]) const {
  if (!has_exponent_) return 0;
  unsigned char generator = kKeyExchangeGenerator;
  return KeyExchangePower(&generator, 1, exponent_, kPrivateExponentBytes, out);
}

int KeyExchange::SessionKey(const unsigned char* peerDigits, unsigned count, unsigned char key[16]) const {
  if (!has_exponent_ || count == 0 || count % 2 || count > 4096) return 0;
  BigScratch s;
  if (!s.Ready() || !BN_lebin2bn(peerDigits, static_cast<int>(count), s.base)) return 0;
  // Refuse 0, 1, p - 1 and anything not reduced modulo p.
  BIGNUM* limit = BN_dup(s.p);
  bool inRange =
      limit && BN_sub_word(limit, 1) && BN_cmp(s.base, limit) < 0 && !BN_is_zero(s.base) && !BN_is_one(s.base);
  BN_free(limit);
  if (!inRange) return 0;
  if (!BN_lebin2bn(exponent_, kPrivateExponentBytes, s.exponent) || !Power(s)) return 0;
  unsigned char shared[kKeyValueBytes];
  if (BN_bn2lebinpad(s.result, shared, kKeyValueBytes) != static_cast<int>(kKeyValueBytes)) return 0;
  unsigned digestLength = 0;
  int ok = EVP_Digest(shared, kKeyValueBytes, key, &digestLength, EVP_md5(), nullptr);
  OPENSSL_cleanse(shared, sizeof shared);
  return ok == 1 && digestLength == 16;
}
