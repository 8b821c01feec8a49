// The conversions between the desktop's UTF-8 and the program's single-byte
// text, used for typed characters and the clipboard.
#include "platform/text_encoding.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(TextEncoding, Utf8ToSingleBytes) {
  struct Case {
    const char* utf8;
    std::string bytes;
  } cases[] = {
      {"plain", "plain"},
      {"caf\xc3\xa9", "caf\xe9"},
      {"\xc3\xbf", "\xff"},
      {"\xe2\x82\xac", "?"},        // beyond the single-byte range
      {"\xf0\x9f\x98\x80x", "?x"},  // four bytes, one character
      {"\xc3", "?"},                // cut short at the end
      {"\xc3x", "?x"},              // cut short before another character
      {"\xa9z", "?z"},              // a continuation byte alone
      {"\xf9z", "?z"},              // no such lead byte
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(PlatUtf8ToLatin1(c.utf8), c.bytes) << c.utf8;
  EXPECT_EQ(PlatUtf8ToLatin1(nullptr), "");
}

TEST(TextEncoding, SingleBytesRoundTripThroughUtf8) {
  std::string all;
  for (int c = 1; c < 256; ++c) all += char(c);
  std::string utf8 = PlatLatin1ToUtf8(all.c_str());
  EXPECT_EQ(utf8.size(), 127u + 2 * 128u);
  EXPECT_EQ(PlatLatin1ToUtf8("\xe9"), "\xc3\xa9");
  EXPECT_EQ(PlatUtf8ToLatin1(utf8.c_str()), all);
}

}  // namespace
