#include "update/patch_decoder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

Bytes Seq(size_t n, unsigned seed = 0) {
  Bytes b(n);
  for (size_t i = 0; i < n; ++i) b[i] = static_cast<unsigned char>((i * 7 + seed * 13 + (i >> 8)) & 0xFF);
  return b;
}

Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

Bytes Slice(const Bytes& b, size_t from, size_t n) { return Bytes(b.begin() + from, b.begin() + from + n); }

// Command builders, little-endian as on the wire.
Bytes Copy0(unsigned length, int offset) {
  return {0x00, static_cast<unsigned char>(length), static_cast<unsigned char>(length >> 8),
          static_cast<unsigned char>(offset), static_cast<unsigned char>(static_cast<unsigned>(offset) >> 8)};
}
Bytes Copy80(unsigned length, int offset) {
  return {0x80, static_cast<unsigned char>(length), static_cast<unsigned char>(offset),
          static_cast<unsigned char>(static_cast<unsigned>(offset) >> 8)};
}
Bytes CopyShort(unsigned length, int offset) {
  return {static_cast<unsigned char>(0x80 + length), static_cast<unsigned char>(offset)};
}
Bytes Lit(const Bytes& bytes) { return Cat({{static_cast<unsigned char>(bytes.size())}, bytes}); }
Bytes LongLit(const Bytes& bytes) {
  const size_t n = bytes.size();
  return Cat({{0x80, 0x00, static_cast<unsigned char>(n), static_cast<unsigned char>(n >> 8),
               static_cast<unsigned char>(n >> 16)},
              bytes});
}

struct Result {
  int ok;
  long long length;
  Bytes out;
};

// Decodes into a buffer with a guard zone behind the capacity, and checks that
// the guard is untouched whatever the outcome.
Result Decode(const Bytes& old, const Bytes& diff, unsigned long capacity) {
  Bytes buffer(capacity + 64, 0xEE);
  Result r{};
  r.ok = ApplyDiffs2(old.data(), diff.data(), static_cast<int>(old.size()), static_cast<int>(diff.size()), r.length,
                     buffer.data(), capacity);
  for (size_t i = capacity; i < buffer.size(); ++i) EXPECT_EQ(buffer[i], 0xEE) << "written past capacity at " << i;
  if (r.ok) r.out.assign(buffer.begin(), buffer.begin() + r.length);
  return r;
}

struct Case {
  const char* name;
  Bytes old;
  Bytes diff;
  unsigned long capacity;
  bool ok;
  Bytes expected;  // when ok
};

}  // namespace

TEST(ApplyDiffs2, EveryCommandKindAndBoundary) {
  const Bytes old = Seq(70000);
  const Bytes small = Seq(300, 1);
  const Bytes lit127 = Seq(127, 2), lit128 = Seq(128, 3), lit5 = Seq(5, 4);
  const std::vector<Case> cases = {
      {"empty patch gives empty output", old, {}, 0, true, {}},
      {"literal run of 127 uses the one-byte header", {}, Lit(lit127), 127, true, lit127},
      {"literal run of 128 uses the long form", {}, Cat({{0x80, 0x00, 0x80, 0x00, 0x00}, lit128}), 128, true, lit128},
      {"long literal of zero bytes writes nothing", {}, {0x80, 0x00, 0x00, 0x00, 0x00}, 0, true, {}},
      {"copy of 0 bytes is a pure move", old, Cat({Copy0(0, 1000), CopyShort(10, 0)}), 10, true, Slice(old, 1000, 10)},
      {"copy of 65535 bytes", old, Copy0(65535, 100), 65535, true, Slice(old, 100, 65535)},
      {"0x80 copy with 16-bit offset", old, Copy80(255, 20000), 255, true, Slice(old, 20000, 255)},
      {"short copy with negative 8-bit offset", old, Cat({Copy0(0, 500), CopyShort(127, -128)}), 127, true,
       Slice(old, 372, 127)},
      {"offset 0 continues where the last copy ended", old, Cat({Copy0(300, 50), CopyShort(20, 0)}), 320, true,
       Slice(old, 50, 320)},
      {"negative offset copies old data twice", small, Cat({CopyShort(10, 0), CopyShort(10, -10)}), 20, true,
       Cat({Slice(small, 0, 10), Slice(small, 0, 10)})},
      {"literals do not move the source", small, Cat({CopyShort(4, 0), Lit(lit5), CopyShort(4, 0)}), 13, true,
       Cat({Slice(small, 0, 4), lit5, Slice(small, 4, 4)})},
      {"copy ending exactly at the end of old", small, Cat({Copy0(0, 290), CopyShort(10, 0)}), 10, true,
       Slice(small, 290, 10)},
      {"copy ending one past the end of old", small, Cat({Copy0(0, 291), CopyShort(10, 0)}), 10, false, {}},
      {"copy from before the start of old", small, CopyShort(1, -1), 1, false, {}},
      {"a move outside old that copies nothing is harmless", small,
       Cat({Copy0(0, -5000), Copy0(0, 5000), CopyShort(3, 0)}), 3, true, Slice(small, 0, 3)},
      {"copy from empty old", {}, CopyShort(1, 0), 1, false, {}},
      {"output exactly at capacity", small, Cat({Lit(lit5), CopyShort(5, 0)}), 10, true,
       Cat({lit5, Slice(small, 0, 5)})},
      {"literal one byte over capacity", small, Cat({CopyShort(5, 0), Lit(lit5)}), 9, false, {}},
      {"copy one byte over capacity", small, Cat({Lit(lit5), CopyShort(5, 0)}), 9, false, {}},
      {"long literal over capacity", {}, LongLit(lit128), 127, false, {}},
      {"copy after a bad command is not reached", small, Cat({CopyShort(1, -1), CopyShort(1, 0)}), 10, false, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Result r = Decode(c.old, c.diff, c.capacity);
    EXPECT_EQ(r.ok, c.ok ? 1 : 0);
    if (c.ok) {
      EXPECT_EQ(r.length, static_cast<int>(c.expected.size()));
      EXPECT_EQ(r.out, c.expected);
    } else {
      EXPECT_EQ(r.length, -1);
    }
  }
}

TEST(ApplyDiffs2, CommandsCutShortByTheEndOfThePatchFail) {
  const Bytes old = Seq(1000);
  const std::vector<Bytes> whole = {Copy0(10, 5), Copy80(10, 5), CopyShort(10, 5), Lit(Seq(20)), LongLit(Seq(600))};
  for (const Bytes& command : whole) {
    ASSERT_EQ(Decode(old, command, 1000).ok, 1);
    for (size_t cut = 1; cut < command.size(); ++cut) {
      SCOPED_TRACE("first byte " + std::to_string(command[0]) + " cut to " + std::to_string(cut));
      const Bytes diff(command.begin(), command.begin() + cut);
      EXPECT_EQ(Decode(old, diff, 1000).ok, 0);
      EXPECT_EQ(PatchResultLength(diff.data(), static_cast<int>(diff.size())), -1);
    }
  }
}

TEST(ApplyDiffs2, FarMovesChainAndTheResultLengthIsKnownFromTheHeaders) {
  // 200,000 bytes forward in 16-bit steps, then back by 8-bit steps.
  const Bytes old = Seq(250000);
  Bytes diff;
  for (int i = 0; i < 6; ++i) diff = Cat({diff, Copy0(0, 32767)});
  diff = Cat({diff, Copy0(0, 200000 - 6 * 32767), CopyShort(8, -128), Lit(Seq(3)), Copy80(200, 0)});
  const Result r = Decode(old, diff, 211);
  ASSERT_EQ(r.ok, 1);
  EXPECT_EQ(r.out, Cat({Slice(old, 200000 - 128, 8), Seq(3), Slice(old, 200000 - 120, 200)}));
  EXPECT_EQ(PatchResultLength(diff.data(), static_cast<int>(diff.size())), 211);
}
