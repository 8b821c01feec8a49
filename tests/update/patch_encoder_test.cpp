#include "update/patch_encoder.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "update/patch_decoder.h"

namespace {

using Bytes = std::vector<unsigned char>;

Bytes Random(size_t n, uint32_t seed) {
  std::mt19937 rng(seed);
  Bytes b(n);
  for (auto& c : b) c = static_cast<unsigned char>(rng());
  return b;
}

// Patches old into new, checks the patch decodes back to new with exactly
// new's size as capacity, and returns the patch.
Bytes RoundTrip(const Bytes& old, const Bytes& neu) {
  const Bytes patch = MakePatch(old.data(), old.size(), neu.data(), neu.size());
  Bytes out(neu.size() + 1);
  long long length = 0;
  EXPECT_EQ(ApplyDiffs2(old.data(), patch.data(), static_cast<int>(old.size()), static_cast<int>(patch.size()), length,
                        out.data(), neu.size()),
            1);
  EXPECT_EQ(length, static_cast<long long>(neu.size()));
  out.resize(neu.size());
  EXPECT_TRUE(out == neu) << "patch does not reproduce the new file";
  EXPECT_EQ(PatchResultLength(patch.data(), static_cast<int>(patch.size())), static_cast<long long>(neu.size()));
  return patch;
}

// Applies n random edits (insert, delete, replace) of up to maxLen bytes.
Bytes Edit(Bytes b, int n, size_t maxLen, std::mt19937& rng) {
  for (int k = 0; k < n; ++k) {
    const size_t pos = b.empty() ? 0 : rng() % b.size();
    const size_t len = 1 + rng() % maxLen;
    const Bytes fresh = Random(len, rng());
    switch (rng() % 3) {
      case 0: b.insert(b.begin() + pos, fresh.begin(), fresh.end()); break;
      case 1: b.erase(b.begin() + pos, b.begin() + std::min(b.size(), pos + len)); break;
      default:
        for (size_t i = 0; i < len && pos + i < b.size(); ++i) b[pos + i] = fresh[i];
    }
  }
  return b;
}

}  // namespace

TEST(PatchCommandWriter, CostsMatchWhatIsWrittenAndFormsAreTheSmallest) {
  const Bytes data = Random(70000, 1);
  // Literal runs: one-byte headers up to 508 bytes, then the long form.
  for (size_t n : {1u, 127u, 128u, 254u, 255u, 508u, 509u, 5000u, 65536u}) {
    Bytes out;
    PatchCommandWriter(out).Literal(data.data(), n);
    EXPECT_EQ(out.size(), PatchCommandWriter::LiteralCost(n)) << n;
    EXPECT_EQ(out.size(), n + (n <= 508 ? (n + 126) / 127 : 5)) << n;
  }
  Bytes out;
  PatchCommandWriter(out).Literal(data.data(), 127);
  EXPECT_EQ(out[0], 0x7F);
  out.clear();
  PatchCommandWriter(out).Literal(data.data(), 509);
  EXPECT_EQ(Bytes(out.begin(), out.begin() + 5), (Bytes{0x80, 0x00, 0xFD, 0x01, 0x00}));

  // Copies: 2 bytes short and near, 4 up to 255, 5 above, chains for far jumps.
  struct CopyCase {
    int64_t from;
    size_t length;
    size_t size;
  };
  const Bytes old = Random(300000, 2);
  for (const CopyCase& c : std::vector<CopyCase>{{0, 127, 2},
                                                 {127, 127, 2},
                                                 {128, 127, 4},
                                                 {0, 128, 4},
                                                 {0, 255, 4},
                                                 {0, 256, 5},
                                                 {32767, 65535, 5},
                                                 {32768, 10, 5 + 2},
                                                 {100000, 1, 3 * 5 + 4},
                                                 {0, 65536, 5 + 2},
                                                 {0, 200000, 4 * 5}}) {
    Bytes patch;
    PatchCommandWriter writer(patch);
    writer.Copy(c.from, c.length);
    EXPECT_EQ(patch.size(), c.size) << c.from << "+" << c.length;
    EXPECT_EQ(PatchCommandWriter::CopyCost(c.from, c.length), c.size) << c.from << "+" << c.length;
    EXPECT_EQ(writer.SourcePosition(), c.from + static_cast<int64_t>(c.length));
    Bytes result(c.length);
    long long length = 0;
    ASSERT_EQ(ApplyDiffs2(old.data(), patch.data(), static_cast<int>(old.size()), static_cast<int>(patch.size()),
                          length, result.data(), c.length),
              1);
    EXPECT_TRUE(result == Bytes(old.begin() + c.from, old.begin() + c.from + c.length));
  }
  // A backward far jump from the end of a copy.
  Bytes patch;
  PatchCommandWriter writer(patch);
  writer.Copy(250000, 10);
  writer.Copy(5, 10);
  Bytes result(20);
  long long length = 0;
  ASSERT_EQ(ApplyDiffs2(old.data(), patch.data(), static_cast<int>(old.size()), static_cast<int>(patch.size()), length,
                        result.data(), 20),
            1);
  EXPECT_TRUE(Bytes(result.begin() + 10, result.end()) == Bytes(old.begin() + 5, old.begin() + 15));
}

TEST(MakePatch, RoundTripsDegenerateInputs) {
  const Bytes data = Random(100000, 3);
  EXPECT_TRUE(RoundTrip({}, {}).empty());
  EXPECT_TRUE(RoundTrip(data, {}).empty());
  EXPECT_EQ(RoundTrip({}, data).size(), PatchCommandWriter::LiteralCost(data.size()));
  // Identical files: one five-byte copy per 65535 bytes.
  EXPECT_EQ(RoundTrip(data, data).size(), 10u);
  // Shorter than the hashed window on either side.
  RoundTrip(Bytes{1, 2, 3}, Bytes{1, 2, 3, 4});
  RoundTrip(Bytes{9}, data);
  RoundTrip(data, Bytes{data.begin() + 500, data.begin() + 505});
  // Long runs of one byte, in old and new at different lengths.
  RoundTrip(Bytes(50000, 0), Bytes(80000, 0));
  RoundTrip(Bytes(80000, 7), Bytes(50000, 7));
}

TEST(MakePatch, FindsMatchesAnywhereAndStaysSmall) {
  const Bytes a = Random(200000, 4), b = Random(200000, 5);
  // Halves swapped: two copies plus the chain of moves between them.
  Bytes swapped(a.begin() + 100000, a.end());
  swapped.insert(swapped.end(), a.begin(), a.begin() + 100000);
  EXPECT_LT(RoundTrip(a, swapped).size(), 100u);
  // Unrelated data costs about its own size.
  EXPECT_LE(RoundTrip(a, b).size(), b.size() + 5);
  // A few scattered edits cost about the new bytes.
  std::mt19937 rng(6);
  const Bytes edited = Edit(a, 10, 40, rng);
  EXPECT_LT(RoundTrip(a, edited).size(), 10 * 40 + 10 * 12 + 40);
  // A block repeated from far back is copied twice, not sent again.
  Bytes repeated = a;
  repeated.insert(repeated.end(), a.begin() + 1000, a.begin() + 51000);
  EXPECT_LT(RoundTrip(a, repeated).size(), 200u);
}

TEST(MakePatch, RoundTripsRandomAndStructuredPairs) {
  std::mt19937 rng(7);
  for (int round = 0; round < 200; ++round) {
    SCOPED_TRACE(round);
    Bytes old;
    const size_t size = rng() % 5000;
    if (round % 2) {
      old = Random(size, rng());
    } else {
      // Structured: a few short tokens repeated, so matches are ambiguous.
      const Bytes tokens = Random(24, rng());
      for (size_t i = 0; i < size; ++i) old.push_back(tokens[(i / 3 + (rng() % 4 == 0)) % tokens.size()]);
    }
    RoundTrip(old, Edit(old, 1 + rng() % 8, 1 + rng() % 300, rng));
  }
}
