// The byte-level pieces of encrypted datagrams: checksum, cipher padding,
// key-exchange arithmetic and frame building/opening.
#include <gtest/gtest.h>
#include <openssl/bn.h>

#include <cstring>
#include <random>
#include <vector>

#include "transport/datagram_framing.h"
#include "transport/key_exchange.h"
#include "transport/lzs.h"
#include "transport/packet.h"
#include "transport/rijndael.h"

namespace {
using Bytes = std::vector<unsigned char>;

Bytes Hex(const char* text) {
  Bytes out;
  for (size_t i = 0; text[i] && text[i + 1]; i += 2) {
    unsigned v;
    sscanf(text + i, "%2x", &v);
    out.push_back(static_cast<unsigned char>(v));
  }
  return out;
}

Bytes RandomBytes(size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  Bytes b(n);
  for (auto& c : b) c = static_cast<unsigned char>(rng());
  return b;
}

// A packet of the given total length: type 7, payload from the generator.
Bytes MakePacket(const Bytes& payload, unsigned type = 7) {
  Bytes p(kPacketHeaderSize + payload.size(), 0);
  Packet* packet = reinterpret_cast<Packet*>(p.data());
  packet->SetSize(static_cast<unsigned>(p.size()));
  packet->RoutingType = 0x5A;
  packet->SetType(type);
  if (!payload.empty()) memcpy(packet->Payload(), payload.data(), payload.size());
  packet->SetChecksum(PacketChecksum(p.data(), p.size()));
  return p;
}

const Bytes kKey = Hex("000102030405060708090a0b0c0d0e0f");

struct CipherPair {
  Rijndael enc, dec;
  CipherPair(const Bytes& key = kKey) {
    EXPECT_EQ(enc.init(Rijndael::ECB, Rijndael::Encrypt, key.data(), 16), 0);
    EXPECT_EQ(dec.init(Rijndael::ECB, Rijndael::Decrypt, key.data(), 16), 0);
  }
};

// Frames packet and opens the frame again as the receiver would.
struct RoundTrip {
  unsigned frameLength = 0;
  OpenedFrame opened;
  Bytes restored;  // the packet as restored, SizeBuf long
};
RoundTrip FrameAndOpen(const Bytes& packet, bool compress) {
  CipherPair c;
  Bytes scratch, frame;
  RoundTrip r;
  r.frameLength =
      BuildEncryptedFrame(c.enc, packet.data(), static_cast<unsigned>(packet.size()), compress, scratch, frame);
  if (!r.frameLength) return r;
  EXPECT_EQ(frame.size(), r.frameLength);
  EXPECT_EQ(frame[0] | frame[1] << 8, static_cast<int>(r.frameLength));
  Bytes buffer(frame.size() + 16, 0xEE);
  memcpy(buffer.data(), frame.data(), frame.size());
  Bytes decrypt;
  r.opened = OpenEncryptedFrame(c.dec, r.frameLength, compress, decrypt, buffer);
  if (r.opened.error == FrameError::None) {
    unsigned size = reinterpret_cast<Packet*>(buffer.data())->Size();
    r.restored.assign(buffer.begin(), buffer.begin() + size);
  }
  return r;
}

}  // namespace

TEST(PacketChecksum, DoublesAndAddsNonZeroBytesFromOffsetTen) {
  struct Case {
    Bytes bytesFrom10;
    unsigned expected;
  } cases[] = {
      {{}, 0},
      {{0x05}, 5},
      {{0x01, 0x02, 0x03}, ((1 * 2) + 2) * 2 + 3},
      {{0x01, 0x00, 0x00, 0x02}, 4},                          // zero bytes are skipped, not doubled
      {{0x01, 0x02, 0x00, 0x00, 0x00, 0x00}, 4},              // trailing padding changes nothing
      {Bytes(17, 0xFF), (255u * ((1u << 17) - 1)) & 0xFFFF},  // kept to 16 bits
      {{0x80, 0x01}, 0x101},
  };
  for (const Case& c : cases) {
    Bytes packet(10 + c.bytesFrom10.size(), 0xAB);  // bytes 0 to 9 never count
    std::copy(c.bytesFrom10.begin(), c.bytesFrom10.end(), packet.begin() + 10);
    EXPECT_EQ(PacketChecksum(packet.data(), packet.size()), c.expected);
  }
  Bytes wraps(10, 0);
  for (int i = 0; i < 20; i++) wraps.push_back(0x81);
  unsigned h = 0;
  for (int i = 0; i < 20; i++) h = (2 * h + 0x81) & 0xFFFF;
  EXPECT_EQ(PacketChecksum(wraps.data(), wraps.size()), h);
}

TEST(PacketLayout, FieldsSitAtTheirOffsetsLittleEndian) {
  Bytes bytes(kKeyPacketSize, 0);
  EncryptionKeyPacket* key = reinterpret_cast<EncryptionKeyPacket*>(bytes.data());
  key->header.SetSize(0x1234);
  key->header.SetChecksum(0xBEEF);
  key->header.SetType(kKeyPacketType);
  key->SetDigitBytes(0x01020304);
  EXPECT_EQ(bytes[0], 0x34);
  EXPECT_EQ(bytes[1], 0x12);
  EXPECT_EQ(bytes[8], 0xEF);
  EXPECT_EQ(bytes[9], 0xBE);
  EXPECT_EQ(bytes[10], 0xFF);
  EXPECT_EQ(bytes[11], 0xFF);
  EXPECT_EQ(key->Digits - bytes.data(), 12);
  EXPECT_EQ(bytes[4108], 0x04);
  EXPECT_EQ(bytes[4111], 0x01);
  EXPECT_EQ(key->DigitBytes(), 0x01020304u);
}

TEST(Rijndael, MatchesThePublishedAes128Vector) {
  CipherPair c(kKey);
  Bytes plain = Hex("00112233445566778899aabbccddeeff");
  Bytes out(16), back(16);
  ASSERT_EQ(c.enc.blockEncrypt(plain.data(), 16, out.data()), 16);
  EXPECT_EQ(out, Hex("69c4e0d86a7b0430d8cdb78070b4c55a"));
  ASSERT_EQ(c.dec.blockDecrypt(out.data(), 16, back.data()), 16);
  EXPECT_EQ(back, plain);
}

TEST(Rijndael, PadEncryptAddsOneToSixteenZeroBytes) {
  CipherPair c;
  for (int length : {0, 1, 4, 15, 16, 17, 31, 32, 100}) {
    Bytes plain = RandomBytes(length, length + 1);
    Bytes cipher(length + 16), back(length + 16);
    int n = c.enc.padEncrypt(plain.data(), length, cipher.data());
    EXPECT_EQ(n, (length / 16 + 1) * 16) << length;
    // The padding is zeros: the last byte is 0, so nothing is removed.
    ASSERT_EQ(c.dec.padDecrypt(cipher.data(), n, back.data()), n) << length;
    EXPECT_TRUE(std::equal(plain.begin(), plain.end(), back.begin()));
    EXPECT_TRUE(std::all_of(back.begin() + length, back.begin() + n, [](unsigned char b) { return b == 0; }));
  }
}

TEST(Rijndael, PadDecryptRemovesOnlyAWellFormedFinalPadding) {
  CipherPair c;
  struct Case {
    Bytes lastBlock;
    int expectedLength;
  } cases[] = {
      {Hex("000102030405060708090a0b0c0d0e01"), 15},  // c = 1
      {Hex("00010203040506070809030303030303"), 13},  // c = 3: three of the six 3s removed
      {Hex("000102030405060708090a0b0c0d0e0f"), 16},  // c = 15, but not fifteen 0x0F bytes
      {Hex("0f0f0f0f0f0f0f0f0f0f0f0f0f0f0f0f"), 1},   // fifteen 0x0F removed
      {Hex("10101010101010101010101010101010"), 16},  // 16 is not a padding here
      {Hex("0102030405060708090a0b0c0d0e0f00"), 16},  // zero last byte: nothing removed
      {Hex("00000000000000000000000000000002"), 16},  // 2 without a second 2
  };
  for (const Case& k : cases) {
    Bytes cipher(16), back(16);
    ASSERT_EQ(c.enc.blockEncrypt(k.lastBlock.data(), 16, cipher.data()), 16);
    EXPECT_EQ(c.dec.padDecrypt(cipher.data(), 16, back.data()), k.expectedLength);
    EXPECT_EQ(back, k.lastBlock);
  }
}

TEST(Rijndael, RefusesMisuse) {
  Rijndael r;
  Bytes buf(32);
  EXPECT_EQ(r.padEncrypt(buf.data(), 4, buf.data()), Rijndael::NotInitialized);
  EXPECT_EQ(r.init(Rijndael::ECB, Rijndael::Encrypt, kKey.data(), 24), Rijndael::BadKeyLength);
  EXPECT_EQ(r.init(Rijndael::ECB, Rijndael::Encrypt, kKey.data(), 16, kKey.data()), Rijndael::BadMode);
  ASSERT_EQ(r.init(Rijndael::ECB, Rijndael::Encrypt, kKey.data(), 16), 0);
  EXPECT_EQ(r.padDecrypt(buf.data(), 16, buf.data()), Rijndael::BadDirection);
  CipherPair c;
  EXPECT_EQ(c.dec.padDecrypt(buf.data(), 17, buf.data()), Rijndael::BadLength);
  EXPECT_EQ(c.dec.padDecrypt(buf.data(), 0, buf.data()), 0);
}

TEST(KeyExchange, ModulusIsA192BitSafePrimeAndThreeHasLargeOrder) {
  EXPECT_EQ(strlen(kKeyExchangePrimeHex), 48u);
  BIGNUM* p = nullptr;
  ASSERT_EQ(BN_hex2bn(&p, kKeyExchangePrimeHex), 48);
  BN_CTX* ctx = BN_CTX_new();
  EXPECT_EQ(BN_num_bits(p), 192);
  EXPECT_EQ(BN_check_prime(p, ctx, nullptr), 1);
  BIGNUM* q = BN_dup(p);
  BN_rshift1(q, q);  // (p - 1) / 2 for odd p
  EXPECT_EQ(BN_check_prime(q, ctx, nullptr), 1) << "p is not a safe prime";
  // In a safe-prime group the only orders are 1, 2, q and 2q: rule out 1 and 2.
  BIGNUM* g = BN_new();
  BIGNUM* r = BN_new();
  BN_set_word(g, kKeyExchangeGenerator);
  BN_mod_sqr(r, g, p, ctx);
  EXPECT_FALSE(BN_is_one(r));
  BN_free(r);
  BN_free(g);
  BN_free(q);
  BN_free(p);
  BN_CTX_free(ctx);
}

TEST(KeyExchange, WireFormIsLittleEndianDigits) {
  KeyExchange k;
  unsigned char x[kPrivateExponentBytes] = {2};  // x = 2: y = 9
  k.SetExponent(x);
  Bytes y(kKeyValueBytes);
  ASSERT_TRUE(k.PublicValue(y.data()));
  Bytes nine(kKeyValueBytes, 0);
  nine[0] = 9;
  EXPECT_EQ(y, nine);
  unsigned char x2[kPrivateExponentBytes] = {0, 1};  // x = 256: 3^256 mod p, compared with BIGNUM
  k.SetExponent(x2);
  ASSERT_TRUE(k.PublicValue(y.data()));
  BIGNUM *p = nullptr, *e = BN_new(), *g = BN_new(), *r = BN_new();
  BN_hex2bn(&p, kKeyExchangePrimeHex);
  BN_set_word(e, 256);
  BN_set_word(g, 3);
  BN_CTX* ctx = BN_CTX_new();
  BN_mod_exp(r, g, e, p, ctx);
  Bytes expected(kKeyValueBytes);
  BN_bn2lebinpad(r, expected.data(), kKeyValueBytes);
  EXPECT_EQ(y, expected);
  BN_free(p), BN_free(e), BN_free(g), BN_free(r), BN_CTX_free(ctx);
}

TEST(KeyExchange, BothSidesAgreeAndFreshExponentsDiffer) {
  KeyExchange a, b, c;
  ASSERT_TRUE(a.NewExponent());
  ASSERT_TRUE(b.NewExponent());
  ASSERT_TRUE(c.NewExponent());
  Bytes ya(kKeyValueBytes), yb(kKeyValueBytes), yc(kKeyValueBytes);
  ASSERT_TRUE(a.PublicValue(ya.data()));
  ASSERT_TRUE(b.PublicValue(yb.data()));
  ASSERT_TRUE(c.PublicValue(yc.data()));
  // Exponents come from the system's random source, not a fixed-seed generator.
  EXPECT_NE(ya, yb);
  EXPECT_NE(yb, yc);
  unsigned char ka[16], kb[16], kc[16];
  ASSERT_TRUE(a.SessionKey(yb.data(), kKeyValueBytes, ka));
  ASSERT_TRUE(b.SessionKey(ya.data(), kKeyValueBytes, kb));
  ASSERT_TRUE(c.SessionKey(ya.data(), kKeyValueBytes, kc));
  EXPECT_EQ(memcmp(ka, kb, 16), 0);
  EXPECT_NE(memcmp(ka, kc, 16), 0);
  // A shorter wire form of the same value (leading zero digits dropped) agrees too.
  Bytes trimmed = yb;
  while (trimmed.size() > 2 && trimmed[trimmed.size() - 1] == 0 && trimmed[trimmed.size() - 2] == 0)
    trimmed.resize(trimmed.size() - 2);
  unsigned char kt[16];
  ASSERT_TRUE(a.SessionKey(trimmed.data(), static_cast<unsigned>(trimmed.size()), kt));
  EXPECT_EQ(memcmp(ka, kt, 16), 0);
}

TEST(KeyExchange, RefusesDegenerateOrMalformedPeerValues) {
  KeyExchange k;
  ASSERT_TRUE(k.NewExponent());
  unsigned char key[16];
  BIGNUM* p = nullptr;
  BN_hex2bn(&p, kKeyExchangePrimeHex);
  Bytes pBytes(kKeyValueBytes), pMinus1(kKeyValueBytes), pMinus2(kKeyValueBytes);
  BN_bn2lebinpad(p, pBytes.data(), kKeyValueBytes);
  BN_sub_word(p, 1);
  BN_bn2lebinpad(p, pMinus1.data(), kKeyValueBytes);
  BN_sub_word(p, 1);
  BN_bn2lebinpad(p, pMinus2.data(), kKeyValueBytes);
  BN_free(p);
  Bytes zero(kKeyValueBytes, 0), one(kKeyValueBytes, 0), two(kKeyValueBytes, 0), huge(4096, 0xFF);
  one[0] = 1;
  two[0] = 2;
  EXPECT_FALSE(k.SessionKey(zero.data(), kKeyValueBytes, key));
  EXPECT_FALSE(k.SessionKey(one.data(), kKeyValueBytes, key));
  EXPECT_FALSE(k.SessionKey(pMinus1.data(), kKeyValueBytes, key));
  EXPECT_FALSE(k.SessionKey(pBytes.data(), kKeyValueBytes, key));
  EXPECT_FALSE(k.SessionKey(huge.data(), 4096, key));
  EXPECT_FALSE(k.SessionKey(two.data(), 23, key)) << "odd byte count";
  EXPECT_FALSE(k.SessionKey(two.data(), 0, key));
  EXPECT_TRUE(k.SessionKey(two.data(), kKeyValueBytes, key));
  EXPECT_TRUE(k.SessionKey(pMinus2.data(), kKeyValueBytes, key));
  KeyExchange none;
  EXPECT_FALSE(none.SessionKey(two.data(), kKeyValueBytes, key)) << "no exponent drawn";
}

TEST(DatagramFrame, EmptyPacketGivesEighteenByteFrame) {
  Bytes packet = MakePacket({});
  RoundTrip r = FrameAndOpen(packet, false);
  EXPECT_EQ(r.frameLength, 18u);
  ASSERT_EQ(r.opened.error, FrameError::None);
  // Restored length = the whole 16-byte plaintext, padding included.
  EXPECT_EQ(r.opened.restoredLength, 16u);
  ASSERT_EQ(r.restored.size(), 24u);
  EXPECT_EQ(reinterpret_cast<Packet*>(r.restored.data())->Type(), 7u);
  EXPECT_TRUE(std::all_of(r.restored.begin() + 2, r.restored.begin() + 8, [](unsigned char b) { return b == 0; }))
      << "header bytes 2 to 7 are not sent and come back zero";
  EXPECT_TRUE(std::all_of(r.restored.begin() + 12, r.restored.end(), [](unsigned char b) { return b == 0; }));
}

TEST(DatagramFrame, RoundTripsEverySizeWithAndWithoutCompression) {
  for (bool compress : {false, true}) {
    for (size_t n : {0, 1, 3, 4, 5, 15, 16, 17, 100, 1000, 4096, 9000, 32759, 32760, 40000}) {
      // Half compressible text, half noise, so both header forms occur.
      Bytes payload = RandomBytes(n, static_cast<unsigned>(n));
      for (size_t i = 0; i < n / 2; i++) payload[i] = "abcabcabd"[i % 9];
      Bytes packet = MakePacket(payload);
      RoundTrip r = FrameAndOpen(packet, compress);
      if (compress && n + 4 >= kRawDataBit && r.frameLength == 0) continue;  // checked below
      ASSERT_NE(r.frameLength, 0u) << n;
      ASSERT_EQ(r.opened.error, FrameError::None) << n << " compress " << compress;
      if (compress) {
        EXPECT_EQ(r.restored.size(), packet.size()) << n;  // exact length back
      } else {
        EXPECT_EQ(r.restored.size(), 8 + (n + 4) / 16 * 16 + 16) << n;  // padding kept
      }
      EXPECT_TRUE(std::equal(packet.begin() + 8, packet.end(), r.restored.begin() + 8)) << n;
    }
  }
}

TEST(DatagramFrame, IncompressibleDataIsSentRawWithBit15) {
  CipherPair c;
  Bytes packet = MakePacket(RandomBytes(300, 99));
  Bytes scratch, frame;
  unsigned n = BuildEncryptedFrame(c.enc, packet.data(), static_cast<unsigned>(packet.size()), true, scratch, frame);
  ASSERT_NE(n, 0u);
  Bytes plain(n - 2);
  ASSERT_EQ(c.dec.blockDecrypt(frame.data() + 2, static_cast<int>(n - 2), plain.data()), static_cast<int>(n - 2));
  unsigned header = plain[0] | plain[1] << 8;
  EXPECT_EQ(header, (packet.size() - 8) | 0x8000);
  EXPECT_TRUE(std::equal(packet.begin() + 8, packet.end(), plain.begin() + 2));
  RoundTrip r = FrameAndOpen(packet, true);
  ASSERT_EQ(r.opened.error, FrameError::None);
  EXPECT_EQ(r.restored.size(), packet.size());
  EXPECT_TRUE(std::equal(packet.begin() + 8, packet.end(), r.restored.begin() + 8));
}

TEST(DatagramFrame, CompressibleDataCarriesTheLzsStream) {
  CipherPair c;
  Bytes packet = MakePacket(Bytes(2000, 'q'));
  Bytes scratch, frame;
  unsigned n = BuildEncryptedFrame(c.enc, packet.data(), static_cast<unsigned>(packet.size()), true, scratch, frame);
  ASSERT_NE(n, 0u);
  EXPECT_LT(n, 400u);
  Bytes plain(n - 2);
  c.dec.blockDecrypt(frame.data() + 2, static_cast<int>(n - 2), plain.data());
  unsigned header = plain[0] | plain[1] << 8;
  ASSERT_EQ(header & 0x8000, 0u);
  Bytes decoded(4000);
  int produced = 0;
  EXPECT_EQ(LZSDecode(plain.data() + 2, decoded.data(), static_cast<int>(header), produced, 4000), 0);
  ASSERT_EQ(produced, static_cast<int>(packet.size() - 8));
  EXPECT_TRUE(std::equal(packet.begin() + 8, packet.end(), decoded.begin()));
}

TEST(DatagramFrame, RefusesWhatCannotBeFramed) {
  CipherPair c;
  Bytes scratch, frame;
  Bytes tooShort(11, 1);
  EXPECT_EQ(BuildEncryptedFrame(c.enc, tooShort.data(), 11, false, scratch, frame), 0u);
  // Incompressible and longer than the 15 bits of the compression header.
  Bytes big = MakePacket(RandomBytes(40000, 5));
  EXPECT_EQ(BuildEncryptedFrame(c.enc, big.data(), static_cast<unsigned>(big.size()), true, scratch, frame), 0u);
  // Uncompressed, the same packet frames fine.
  EXPECT_NE(BuildEncryptedFrame(c.enc, big.data(), static_cast<unsigned>(big.size()), false, scratch, frame), 0u);
  // A frame longer than its 2-byte length can say.
  Bytes huge = MakePacket(RandomBytes(65535 - 12, 6));
  EXPECT_EQ(BuildEncryptedFrame(c.enc, huge.data(), static_cast<unsigned>(huge.size()), false, scratch, frame), 0u);
}

TEST(DatagramFrame, DamageIsDetected) {
  CipherPair c;
  for (bool compress : {false, true}) {
    Bytes packet = MakePacket(RandomBytes(64, 3));
    Bytes scratch, frame, decrypt;
    unsigned n =
        BuildEncryptedFrame(c.enc, packet.data(), static_cast<unsigned>(packet.size()), compress, scratch, frame);
    // Flip one payload byte in the plaintext, re-encrypt: only the checksum
    // can tell. (The checksum shifts older bytes out after 16 non-zero
    // bytes, so it guards the end of a packet; the last byte is flipped.)
    Bytes plain(n - 2);
    c.dec.blockDecrypt(frame.data() + 2, static_cast<int>(n - 2), plain.data());
    plain[(compress ? 2 : 0) + 4 + 63] ^= 0x40;
    c.enc.blockEncrypt(plain.data(), static_cast<int>(n - 2), frame.data() + 2);
    Bytes buffer(n + 16);
    memcpy(buffer.data(), frame.data(), n);
    EXPECT_EQ(OpenEncryptedFrame(c.dec, n, compress, decrypt, buffer).error, FrameError::Checksum);

    // A ciphertext that is not whole blocks.
    memcpy(buffer.data(), frame.data(), n);
    OpenedFrame cut = OpenEncryptedFrame(c.dec, n - 1, compress, decrypt, buffer);
    EXPECT_EQ(cut.error, FrameError::Decrypt);
    EXPECT_EQ(cut.detail, Rijndael::BadLength);
  }
  // A compression header that claims more data than the frame holds.
  Bytes plain(16, 0);
  plain[0] = 0x40;  // 64 bytes of LZS data in a 14-byte room
  Bytes buffer(18 + 16), decrypt;
  c.enc.blockEncrypt(plain.data(), 16, buffer.data() + 2);
  EXPECT_EQ(OpenEncryptedFrame(c.dec, 18, true, decrypt, buffer).error, FrameError::Malformed);
  plain[0] = 0x0F, plain[1] = 0x80;  // raw, 15 bytes in a 14-byte room
  c.enc.blockEncrypt(plain.data(), 16, buffer.data() + 2);
  EXPECT_EQ(OpenEncryptedFrame(c.dec, 18, true, decrypt, buffer).error, FrameError::Malformed);
  plain[0] = 0x03, plain[1] = 0x80;  // raw, 3 bytes: no room for checksum and type
  c.enc.blockEncrypt(plain.data(), 16, buffer.data() + 2);
  EXPECT_EQ(OpenEncryptedFrame(c.dec, 18, true, decrypt, buffer).error, FrameError::Malformed);
}

TEST(DatagramFrame, DecodingGrowsThePacketBufferInSteps) {
  // 30000 identical bytes compress to a few kilobytes; the receive buffer
  // starts small and grows by 4096 until the decoded packet fits.
  Bytes packet = MakePacket(Bytes(30000, 'z'));
  CipherPair c;
  Bytes scratch, frame, decrypt;
  unsigned n = BuildEncryptedFrame(c.enc, packet.data(), static_cast<unsigned>(packet.size()), true, scratch, frame);
  ASSERT_LT(n, 5000u);
  Bytes buffer(n + 16);
  size_t start = buffer.size();
  memcpy(buffer.data(), frame.data(), n);
  OpenedFrame o = OpenEncryptedFrame(c.dec, n, true, decrypt, buffer);
  ASSERT_EQ(o.error, FrameError::None);
  EXPECT_EQ(o.restoredLength, packet.size() - 8);
  EXPECT_EQ((buffer.size() - start) % 4096, 0u);
  EXPECT_GE(buffer.size(), packet.size());
  EXPECT_TRUE(std::equal(packet.begin() + 8, packet.end(), buffer.begin() + 8));
}

TEST(DatagramFrame, DecodedPacketsBeyondSizeBufAreRefused) {
  // An LZS stream of 18-byte matches expands about eight-fold: 9000 bytes of
  // it would decode past 65535.
  Bytes lzs;
  while (lzs.size() < 9000) {
    lzs.push_back(0x00);  // eight match items
    for (int i = 0; i < 8; i++) lzs.push_back(0x00), lzs.push_back(0x0F);
  }
  Bytes plain(2 + lzs.size());
  plain[0] = static_cast<unsigned char>(lzs.size()), plain[1] = static_cast<unsigned char>(lzs.size() >> 8);
  memcpy(plain.data() + 2, lzs.data(), lzs.size());
  CipherPair c;
  Bytes frame(2 + plain.size() + 16);
  int cipher = c.enc.padEncrypt(plain.data(), static_cast<int>(plain.size()), frame.data() + 2);
  unsigned n = 2 + cipher;
  frame[0] = static_cast<unsigned char>(n), frame[1] = static_cast<unsigned char>(n >> 8);
  Bytes buffer(n + 16), decrypt;
  memcpy(buffer.data(), frame.data(), n);
  EXPECT_EQ(OpenEncryptedFrame(c.dec, n, true, decrypt, buffer).error, FrameError::TooLong);
  EXPECT_LE(buffer.size(), 65535u + 4096u);
}
