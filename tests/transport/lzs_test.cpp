#include "transport/lzs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {
using Bytes = std::vector<unsigned char>;

Bytes Encode(const Bytes& in) {
  Bytes out(LZSWorstCase(in.size()));
  out.resize(LZSEncode(in.data(), out.data(), static_cast<int>(in.size())));
  return out;
}

Bytes Encode(const std::string& in) { return Encode(Bytes(in.begin(), in.end())); }

// Decodes with a capacity and four guard bytes after it that must survive.
struct Decoded {
  int result;
  Bytes out;
};
Decoded Decode(const Bytes& in, unsigned capacity) {
  Bytes buffer(capacity + 4, 0xA5);
  int produced = -1;
  int result = LZSDecode(in.data(), buffer.data(), static_cast<int>(in.size()), produced, capacity);
  for (unsigned i = capacity; i < capacity + 4; ++i) EXPECT_EQ(buffer[i], 0xA5) << "wrote past capacity";
  EXPECT_GE(produced, 0);
  EXPECT_LE(static_cast<unsigned>(produced), capacity);
  buffer.resize(produced);
  return {result, buffer};
}

Bytes Random(size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  Bytes b(n);
  for (auto& c : b) c = static_cast<unsigned char>(rng());
  return b;
}

// Text with repeats at all distances, like the data files the codec sees.
Bytes TextLike(size_t n, unsigned seed) {
  static const char* words[] = {"texture", "zindimgs/", "back.tga", " ", "\n",    "quorvel", "0123", "the ",
                                "file",    "list",      "digest ",  "a", "patch", "  ",      "\r\n", "Launch"};
  std::mt19937 rng(seed);
  Bytes b;
  while (b.size() < n) {
    const char* w = words[rng() % 16];
    b.insert(b.end(), w, w + std::strlen(w));
  }
  b.resize(n);
  return b;
}
}  // namespace

TEST(LZSDecode, HandWrittenStreams) {
  struct Case {
    const char* what;
    Bytes in;
    std::string out;
  } cases[] = {
      {"empty source", {}, ""},
      {"eight literals", {0xFF, 'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h'}, "abcdefgh"},
      {"match into the initial spaces", {0x00, 0x00, 0x0F}, std::string(18, ' ')},
      // Literal x at 4078, then a match from 4078 of length 18 that reads
      // the bytes it writes.
      {"overlapping match", {0x01, 'x', 0xEE, 0xFF}, std::string(19, 'x')},
      {"flag byte alone", {0x00}, ""},
      {"match cut after its first byte", {0x01, 'q', 0x00}, "q"},
      {"literal due but source ended", {0x03, 'z'}, "z"},
      // Positions 4078.. start as zero bytes.
      {"match from the unwritten end of the ring", {0x00, 0xEE, 0xF0}, std::string(3, '\0')},
      // Position 4094 length 4 wraps to 0 and 1.
      {"match wrapping the ring", {0x00, 0xFE, 0xF1}, std::string("\0\0  ", 4)},
  };
  for (const Case& c : cases) {
    Decoded d = Decode(c.in, 100);
    EXPECT_EQ(d.result, 0) << c.what;
    EXPECT_EQ(std::string(d.out.begin(), d.out.end()), c.out) << c.what;
  }
}

TEST(LZSDecode, StopsAtCapacityInsideLiteralsAndMatches) {
  Bytes literals = {0xFF, 'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h'};
  Decoded d = Decode(literals, 5);
  EXPECT_EQ(d.result, 1);
  EXPECT_EQ(std::string(d.out.begin(), d.out.end()), "abcde");
  // Exactly enough room is not an overflow.
  EXPECT_EQ(Decode(literals, 8).result, 0);

  Bytes match = {0x00, 0x00, 0x0F};  // 18 spaces
  d = Decode(match, 10);
  EXPECT_EQ(d.result, 1);
  EXPECT_EQ(d.out.size(), 10u);
  EXPECT_EQ(Decode(match, 18).result, 0);
  EXPECT_EQ(Decode(match, 0).result, 1);
  EXPECT_EQ(Decode(Bytes{}, 0).result, 0);
}

TEST(LZSDecode, HostileStreamsNeverPassCapacity) {
  Bytes valid = Encode(TextLike(5000, 1));
  std::mt19937 rng(7);
  for (int round = 0; round < 300; ++round) {
    Bytes in = round % 3 == 0 ? Random(rng() % 600, rng()) : valid;
    if (round % 3 == 1) in.resize(rng() % in.size());               // truncated
    if (round % 3 == 2) in[rng() % in.size()] ^= 1 << (rng() % 8);  // one bit flipped
    unsigned capacity = rng() % 6000;
    Decoded d = Decode(in, capacity);
    if (d.result == 0) EXPECT_LE(d.out.size(), capacity);
    else EXPECT_EQ(d.out.size(), capacity);
  }
}

// Outputs worked out by hand from the binary-tree encoder's rules: literals
// below 3 bytes, the first node met on the tree walk wins among equally long
// matches, and a full 18-byte match replaces the node it found.
TEST(LZSEncode, ReproducesTheReferenceEncoderByteForByte) {
  struct Case {
    const char* in;
    Bytes out;
  } cases[] = {
      {"", {}},
      {"a", {0x01, 'a'}},
      {"ABCABCABC", {0x07, 'A', 'B', 'C', 0xEE, 0xF3}},
      // The last "abc" matches both earlier copies; the older one is met first.
      {"abcXabcYabc", {0x2F, 'a', 'b', 'c', 'X', 0xEE, 0xF0, 'Y', 0xEE, 0xF0}},
      // The 18 initial space strings (4077 down to 4060) replace one another
      // as full matches, so 4060 is the one left to match.
      {"                  ", {0x00, 0xDC, 0xFF}},
      {"abcdefghi", {0xFF, 'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 0x01, 'i'}},
  };
  for (const Case& c : cases) EXPECT_EQ(Encode(std::string(c.in)), c.out) << c.in;
}

TEST(LZSEncode, RoundTripsAndCompresses) {
  Bytes same(100, 'q');
  Bytes e = Encode(same);
  EXPECT_LT(e.size(), 20u);
  EXPECT_EQ(Decode(e, 100).out, same);

  std::vector<Bytes> inputs = {Random(1, 1),       Random(17, 2),   Random(18, 3),    Random(19, 4),    Random(5000, 5),
                               TextLike(70000, 6), Bytes(20000, 0), Bytes(9000, ' '), TextLike(4097, 7)};
  // Periodic data at distances around the ring size.
  Bytes periodic;
  for (int i = 0; i < 30000; ++i) periodic.push_back(static_cast<unsigned char>((i % 4095) * 7));
  inputs.push_back(periodic);
  for (const Bytes& in : inputs) {
    Bytes enc = Encode(in);
    EXPECT_LE(enc.size(), static_cast<size_t>(LZSWorstCase(in.size())));
    Decoded d = Decode(enc, in.size());
    EXPECT_EQ(d.result, 0);
    EXPECT_EQ(d.out, in) << "size " << in.size();
  }
}

TEST(LZSEncode, RandomDataStaysWithinTheWorstCaseBound) {
  Bytes in = Random(65536, 11);
  Bytes enc = Encode(in);
  EXPECT_LE(enc.size(), static_cast<size_t>(LZSWorstCase(in.size())));
  EXPECT_GT(enc.size(), in.size());  // incompressible: one flag byte per eight
}

// The stream codec gives the one-shot codec's bytes however input and output
// room are cut, and never writes past the room it is given.
TEST(LZSStream, GivesTheOneShotBytesHoweverTheStreamIsCut) {
  Bytes periodic;
  for (int i = 0; i < 30000; ++i) periodic.push_back(static_cast<unsigned char>((i % 4095) * 7));
  const std::vector<Bytes> inputs = {Bytes(),          Random(5, 1),       Random(17, 2),     Random(18, 3),
                                     Random(40000, 4), TextLike(90000, 5), Bytes(50000, ' '), periodic};
  const struct {
    const char* what;
    size_t piece, room;  // 0: random sizes of 1 to 40
  } cuts[] = {{"bytes", 1, 1}, {"random", 0, 0}, {"look-ahead", 17, 3}, {"large", 4096, 70000}};
  std::mt19937 rng(9);
  auto size = [&](size_t fixed) { return fixed ? fixed : 1 + rng() % 40; };
  for (const Bytes& in : inputs) {
    for (const auto& cut : cuts) {
      SCOPED_TRACE(std::string(cut.what) + " of " + std::to_string(in.size()));
      LZSStreamEncoder encoder;
      Bytes encoded, pending;
      size_t at = 0;
      for (bool last = false; !last;) {
        const size_t n = std::min(size(cut.piece), in.size() - at);
        pending.insert(pending.end(), in.begin() + at, in.begin() + at + n);
        at += n;
        last = at == in.size();
        Bytes out(LZSStreamBound(pending.size()) + 4, 0xA5);
        size_t written = 0;
        const size_t taken = encoder.Encode(pending.data(), pending.size(), last, out.data(), written);
        ASSERT_LE(written, LZSStreamBound(pending.size()));
        ASSERT_TRUE(last ? taken == pending.size() : pending.size() - taken < kLZSMaxMatch);
        encoded.insert(encoded.end(), out.begin(), out.begin() + written);
        pending.erase(pending.begin(), pending.begin() + taken);
      }
      ASSERT_EQ(encoded, Encode(in));

      LZSStreamDecoder decoder;
      Bytes decoded;
      for (size_t from = 0; from < encoded.size();) {
        const size_t n = std::min(size(cut.piece), encoded.size() - from);
        const unsigned char* p = encoded.data() + from;
        for (bool used = false; !used;) {
          Bytes room(size(cut.room) + 4, 0xA5);
          unsigned char* end = room.data();
          used = decoder.Decode(p, encoded.data() + from + n, end, room.data() + room.size() - 4);
          ASSERT_EQ(Bytes(room.end() - 4, room.end()), Bytes(4, 0xA5)) << "wrote past the room";
          decoded.insert(decoded.end(), room.data(), end);
        }
        from += n;
      }
      EXPECT_FALSE(decoder.MidItem());
      ASSERT_EQ(decoded, in);
    }
  }
}
