#include "transport/compressed_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "support/fatal.h"
#include "support/files.h"
#include "transport/lzs.h"

namespace {
using Bytes = std::vector<unsigned char>;

Bytes Random(size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  Bytes b(n);
  // Half the bytes from a small alphabet so that blocks compress a little.
  for (auto& c : b) c = static_cast<unsigned char>(rng() % 2 ? rng() : 'a' + rng() % 4);
  return b;
}

Bytes Container(const Bytes& data) {
  Bytes out;
  EXPECT_TRUE(BuildCompressedFile(data.data(), data.size(), out));
  return out;
}

FILE* StreamOf(const Bytes& bytes) {
  FILE* f = std::tmpfile();
  if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::rewind(f);
  return f;
}

void PutLE32(Bytes& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<unsigned char>(v >> (8 * i));
}

// A stored header with the given signature, size and check value adjustment.
Bytes Header(const char* signature, uint32_t total, int checkDelta = 0) {
  Bytes h(32, 0);
  std::memcpy(h.data(), signature, 20);
  PutLE32(h, 24, total);
  PutLE32(h, 28, CompressedHeaderCheck(h.data()) + checkDelta);
  MaskCompressedHeader(h.data());
  return h;
}

Bytes Block(const Bytes& data) {
  Bytes enc(LZSWorstCase(data.size()));
  enc.resize(LZSEncode(data.data(), enc.data(), static_cast<int>(data.size())));
  Bytes b(4 + enc.size());
  PutLE32(b, 0, static_cast<uint32_t>(enc.size()));
  std::copy(enc.begin(), enc.end(), b.begin() + 4);
  return b;
}

Bytes Cat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

std::optional<std::string> OpenAndReadAll(const Bytes& file) {
  return CatchFatal([&] {
    CompressedFileHandle handle(StreamOf(file));
    unsigned char buf[1000];
    while (handle.Read(buf, sizeof buf) > 0) {
    }
  });
}
}  // namespace

TEST(CompressedFile, RoundTripsAcrossBlockBoundaries) {
  for (size_t size : {0ul, 1ul, 16383ul, 16384ul, 16385ul, 50000ul}) {
    Bytes data = Random(size, static_cast<unsigned>(size));
    Bytes file = Container(data);
    FILE* f = StreamOf(file);
    ASSERT_EQ(CheckIfCompressed(f), 1);
    EXPECT_EQ(std::ftell(f), 0);
    CompressedFileHandle handle(f);
    EXPECT_EQ(handle.TotalSize(), size);
    // Mix single bytes with reads of odd sizes that straddle blocks.
    Bytes back;
    std::mt19937 rng(1);
    for (;;) {
      if (rng() % 4 == 0) {
        int c = handle.GetC();
        if (c < 0) break;
        back.push_back(static_cast<unsigned char>(c));
      } else {
        unsigned char buf[7000];
        int want = 1 + rng() % sizeof buf;
        int got = handle.Read(buf, want);
        back.insert(back.end(), buf, buf + got);
        if (got < want) break;
      }
    }
    EXPECT_EQ(back, data) << "size " << size;
    EXPECT_EQ(handle.GetC(), -1);
  }
}

TEST(CompressedFile, WriterLayout) {
  Bytes data = Random(16385, 3);
  Bytes file = Container(data);
  Bytes header(file.begin(), file.begin() + 32);
  EXPECT_NE(std::memcmp(header.data(), "GRTI Compressed Fil2", 20), 0) << "header must be stored masked";
  MaskCompressedHeader(header.data());
  EXPECT_EQ(std::memcmp(header.data(), "GRTI Compressed Fil2", 20), 0);
  EXPECT_EQ(header[21] << 8 | header[20], 16384);
  EXPECT_EQ(header[24] | header[25] << 8 | header[26] << 16, 16385);
  // Two blocks: the first decodes to 16384 bytes, the second to one.
  uint32_t first = file[32] | file[33] << 8 | file[34] << 16;
  int produced = 0;
  Bytes out(16384);
  EXPECT_EQ(LZSDecode(file.data() + 36, out.data(), first, produced, 16384), 0);
  EXPECT_EQ(produced, 16384);
  size_t second = 36 + first;
  uint32_t secondLength = file[second] | file[second + 1] << 8;
  EXPECT_EQ(second + 4 + secondLength, file.size());
  EXPECT_EQ(LZSDecode(file.data() + second + 4, out.data(), secondLength, produced, 16384), 0);
  EXPECT_EQ(produced, 1);
  EXPECT_EQ(out[0], data[16384]);
}

TEST(CompressedFile, HeaderRecognition) {
  EXPECT_EQ(CompressedHeaderVersion(Header("GRTI Compressed Fil2", 5).data()), 2);
  EXPECT_EQ(CompressedHeaderVersion(Header("GRTI Compressed File", 5).data()), 1);
  EXPECT_EQ(CompressedHeaderVersion(Header("GRTI Compressed Fil2", 5, 1).data()), 0);
  EXPECT_EQ(CompressedHeaderVersion(Header("GRTI Compressed Fil3", 5).data()), 0);
  Bytes plain(32, 0);
  std::memcpy(plain.data(), "GRTI Compressed Fil2", 20);  // right text, not masked
  EXPECT_EQ(CompressedHeaderVersion(plain.data()), 0);

  FILE* f = StreamOf(Cat(Header("GRTI Compressed Fil2", 5, 1), Block(Bytes(5, 'x'))));
  EXPECT_EQ(CheckIfCompressed(f), 0);
  EXPECT_EQ(std::ftell(f), 0);
  std::fclose(f);
  f = StreamOf(Bytes(31, 'x'));
  EXPECT_EQ(CheckIfCompressed(f), 0);
  EXPECT_EQ(std::ftell(f), 0);
  std::fclose(f);
}

TEST(CompressedFile, DamageEndsWithItsMessage) {
  Bytes good = Container(Random(20000, 9));
  Bytes header(good.begin(), good.begin() + 32);
  uint32_t firstLength = good[32] | good[33] << 8 | good[34] << 16;

  struct Case {
    const char* what;
    Bytes file;
    const char* message;
  } cases[] = {
      {"short header", Bytes(good.begin(), good.begin() + 20), "bad read of header"},
      {"unknown signature", Header("GRTI Compressed Fil9", 5), "bad header"},
      {"check value off by one", Cat(Header("GRTI Compressed Fil2", 5, 1), Block(Bytes(5, 'x'))), "really bad header"},
      {"version 1", Cat(Header("GRTI Compressed File", 5), Block(Bytes(5, 'x'))),
       "compressed file version 1 is not supported"},
      {"no first block", header, "bad compressed file"},
      {"block length cut", Bytes(good.begin(), good.begin() + 34), "bad compressed file"},
      {"block data cut", Bytes(good.begin(), good.begin() + 36 + firstLength - 1), "bad buffer fill"},
      {"second block missing", Bytes(good.begin(), good.begin() + 36 + firstLength), "bad compressed file"},
      {"absurd block length", Cat(header, Bytes{0xFF, 0xFF, 0xFF, 0x7F}), "bad compressed file"},
      // The size says 10 bytes but the block holds 16384: never written past
      // the 10-byte buffer, refused instead.
      {"block longer than the file", Cat(Header("GRTI Compressed Fil2", 10), Block(Bytes(16384, 'y'))),
       "bad compressed block"},
      {"block shorter than a full block", Cat(Header("GRTI Compressed Fil2", 20000), Block(Bytes(100, 'y'))),
       "bad compressed block"},
  };
  for (const Case& c : cases) EXPECT_EQ(OpenAndReadAll(c.file), std::optional<std::string>(c.message)) << c.what;
  EXPECT_EQ(OpenAndReadAll(good), std::nullopt);
}

TEST(CompressedFile, BitFlipsNeverReadOutOfBounds) {
  Bytes good = Container(Random(40000, 4));
  std::mt19937 rng(5);
  for (int round = 0; round < 200; ++round) {
    Bytes file = good;
    size_t at = 32 + rng() % (file.size() - 32);
    file[at] ^= static_cast<unsigned char>(1 << (rng() % 8));
    OpenAndReadAll(file);  // a fatal stop or wrong bytes, never a crash
  }
}

// Files written by an earlier build must stay readable and the encoder's
// output must not drift: the mask text, header layout and tree tie-breaks are
// all part of the stored format.
TEST(CompressedFile, StoredFixturesStayReadable) {
  auto load = [](const char* name) {
    return ReadFileBytes(std::string(QUORVEL_SOURCE_DIR) + "/tests/transport/data/" + name);
  };
  Bytes text = load("sample_text.txt"), lzs = load("sample_text.lzs"), container = load("sample_text.cmp");
  ASSERT_EQ(text.size(), 17175u);
  Bytes encoded(LZSWorstCase(text.size()));
  encoded.resize(LZSEncode(text.data(), encoded.data(), static_cast<int>(text.size())));
  EXPECT_EQ(encoded, lzs);
  EXPECT_EQ(Container(text), container);
  CompressedFileHandle handle(StreamOf(container));
  Bytes back(text.size() + 10);
  back.resize(handle.Read(back.data(), static_cast<int>(back.size())));
  EXPECT_EQ(back, text);
}
