// Case-blind comparison (names of files, schemes, header fields) and the
// network byte order of ports.
#include "foundation/case_compare.h"

#include <gtest/gtest.h>

#include <cstring>

#include "foundation/byte_order.h"

TEST(CaseCompare, FoldsOnlyAsciiLettersAndKeepsOrder) {
  EXPECT_EQ(CaseCompare("Last-Modified", "last-modified"), 0);
  EXPECT_EQ(CaseCompare("HTTP:", "http:"), 0);
  EXPECT_TRUE(CaseEqual("GAME.EXE", "game.exe"));
  EXPECT_FALSE(CaseEqual("game.exe", "game.ex"));
  EXPECT_FALSE(CaseEqual("game.ex", "game.exe"));
  // Ordered as the lower-case forms: "Z" counts as "z" (0x7A), after "[" (0x5B).
  EXPECT_LT(CaseCompare("abc", "ABD"), 0);
  EXPECT_GT(CaseCompare("b", "A"), 0);
  EXPECT_GT(CaseCompare("Z", "["), 0);
  // Bytes outside A-Z/a-z are never folded, in any locale.
  EXPECT_NE(CaseCompare("\xC4", "\xE4"), 0);
  EXPECT_NE(CaseCompare("@", "`"), 0);
  EXPECT_GT(CaseCompare("\xE4", "a"), 0);  // compared as unsigned bytes
  EXPECT_EQ(CaseCompare("", ""), 0);
  EXPECT_LT(CaseCompare("", "a"), 0);
}

TEST(CaseCompare, BoundedFormStopsAfterNBytesOrAtTheEnd) {
  EXPECT_EQ(CaseCompareN("Content-Length: 5", "content-length", 14), 0);
  EXPECT_NE(CaseCompareN("Content-Lengthy", "content-length:", 15), 0);
  EXPECT_EQ(CaseCompareN("abc", "ABD", 2), 0);
  EXPECT_EQ(CaseCompareN("anything", "else", 0), 0);
  // A shorter string ends the comparison without reading past its end.
  EXPECT_LT(CaseCompareN("ab", "ABC", 10), 0);
  EXPECT_EQ(CaseCompareN("ab", "AB", 10), 0);
}

TEST(ByteOrder, PortsAreStoredMostSignificantByteFirst) {
  uint16_t net = HostToNetwork16(0x1F90);  // 8080
  unsigned char bytes[2];
  std::memcpy(bytes, &net, 2);
  EXPECT_EQ(bytes[0], 0x1F);
  EXPECT_EQ(bytes[1], 0x90);
  EXPECT_EQ(NetworkToHost16(net), 0x1F90);
  for (unsigned v : {0u, 1u, 0xFFu, 0x100u, 0xFFFFu}) EXPECT_EQ(NetworkToHost16(HostToNetwork16(uint16_t(v))), v);
}
