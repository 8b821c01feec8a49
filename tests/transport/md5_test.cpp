#include "transport/md5.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/files.h"
#include "support/temp_dir.h"
#include "transport/compressed_file.h"
#include "transport/file.h"

namespace fs = std::filesystem;

namespace {
std::string HexOfFile(const std::string& path) {
  unsigned char d[kMD5Size];
  if (!GetMD5(path.c_str(), d)) return "(none)";
  char hex[33];
  MD5ToHex(d, hex);
  return hex;
}

std::string HexOfBytes(const std::string& s) {
  unsigned char d[kMD5Size];
  MD5OfBytes(s.data(), s.size(), d);
  char hex[33];
  MD5ToHex(d, hex);
  return hex;
}
}  // namespace

TEST(MD5, KnownDigests) {
  // RFC 1321 test suite.
  EXPECT_EQ(HexOfBytes(""), "d41d8cd98f00b204e9800998ecf8427e");
  EXPECT_EQ(HexOfBytes("abc"), "900150983cd24fb0d6963f7d28e17f72");
  EXPECT_EQ(HexOfBytes("12345678901234567890123456789012345678901234567890123456789012345678901234567890"),
            "57edf4a22be3c955ac49da2e2107b67a");
}

TEST(MD5, FilesPlainCompressedAndMissing) {
  TempDir dir;
  ResetCDPathForTests();
  // Sizes around the 4096-byte read block.
  for (size_t size : {0ul, 1ul, 4095ul, 4096ul, 4097ul, 100000ul}) {
    std::string data;
    for (size_t i = 0; i < size; ++i) data += static_cast<char>(i * 31 + i / 7);
    std::string plain = dir / "plain.bin";
    WriteFileText(plain, data);
    EXPECT_EQ(HexOfFile(plain), HexOfBytes(data)) << size;

    std::vector<unsigned char> packed;
    ASSERT_TRUE(BuildCompressedFile(reinterpret_cast<const unsigned char*>(data.data()), data.size(), packed));
    std::string compressed = dir / "packed.bin";
    WriteFileBytes(compressed, packed);
    EXPECT_EQ(HexOfFile(compressed), HexOfBytes(data)) << "contents, not container, size " << size;
  }
  EXPECT_EQ(HexOfFile(dir / "absent.bin"), "(none)");
  ResetCDPathForTests();
}

TEST(MD5, HexParsing) {
  unsigned char d[kMD5Size];
  ASSERT_TRUE(HexToMD5("D41D8CD98F00B204E9800998ECF8427E", d));
  char hex[33];
  MD5ToHex(d, hex);
  EXPECT_STREQ(hex, "d41d8cd98f00b204e9800998ecf8427e");
  for (const char* bad : {"", "d41d8cd98f00b204e9800998ecf8427", "d41d8cd98f00b204e9800998ecf8427e0",
                          "g41d8cd98f00b204e9800998ecf8427e", "d41d8cd98f00b204e9800998ecf8427 "})
    EXPECT_FALSE(HexToMD5(bad, d)) << bad;
}
