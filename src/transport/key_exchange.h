// The session-key agreement of datagram connections: Diffie-Hellman over a
// fixed 192-bit prime with generator 3, then MD5 of the shared value gives
// the 16-byte Rijndael key.
//
// Wire form of a value (public values in the key packet, and the MD5 input):
// 16-bit digits, least significant digit first, each digit little-endian;
// that is, the little-endian bytes of the number. A value below the modulus
// always takes kKeyValueBytes bytes (12 digits, leading zero digits kept).
// Both ends must agree on the modulus, the generator and this order; all
// three are fixed here and nowhere else.
#pragma once

// The modulus p: a safe prime (p = 2q + 1 with q prime) of exactly 192 bits,
// as 48 hexadecimal digits, most significant first.
extern const char kKeyExchangePrimeHex[];
constexpr unsigned kKeyExchangeGenerator = 3;
constexpr unsigned kKeyValueBytes = 24;
// The private exponent: 8 bytes (four 16-bit digits) of key material.
constexpr unsigned kPrivateExponentBytes = 8;

// One side's secret for one exchange.
class KeyExchange {
 public:
  // Draws a fresh private exponent from the operating system's random
  // source (never the program's deterministic generator). Returns 0 when
  // the source cannot be read; the exchange must then not go ahead.
  int NewExponent();
  // Sets the exponent directly (tests; little-endian bytes).
  void SetExponent(const unsigned char exponent[kPrivateExponentBytes]);

  // This side's public value 3^x mod p in wire form (kKeyValueBytes bytes).
  // Returns 0 when no exponent has been drawn or the arithmetic fails.
  int PublicValue(unsigned char out[kKeyValueBytes]) const;

  // The session key from the peer's public value (count wire bytes):
  // MD5 of the wire form of y_peer^x mod p. A peer value that is malformed
  // (odd or oversized byte count) or outside [2, p - 2] (where the shared
  // value would be 1, p - 1 or otherwise forced) is refused: returns 0.
  int SessionKey(const unsigned char* peerDigits, unsigned count, unsigned char key[16]) const;

  bool HasExponent() const { return has_exponent_; }

 private:
  unsigned char exponent_[kPrivateExponentBytes] = {};
  bool has_exponent_ = false;
};

// g^x mod p for little-endian byte strings (tests and the exchange itself);
// out receives kKeyValueBytes bytes. Returns 0 on failure.
int KeyExchangePower(const unsigned char* base, unsigned baseBytes, const unsigned char* exponent,
                     unsigned exponentBytes, unsigned char out[kKeyValueBytes]);
