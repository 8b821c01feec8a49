#include "transport/http_header_file.h"

#include <gtest/gtest.h>

TEST(HttpHeaderFile, WrittenWithoutStatusLineAndCarriageReturns) {
  EXPECT_EQ(HeaderFileText("HTTP/1.1 200 OK\r\nServer: nginx\r\nContent-Length: 5\r\n"
                           "Last-Modified: Tue, 08 Dec 2026 10:00:00 GMT\r\n\r\n"),
            "Server: nginx\nContent-Length: 5\nLast-Modified: Tue, 08 Dec 2026 10:00:00 GMT\n");
  // A line of fewer than three characters with its line end stops the copy.
  EXPECT_EQ(HeaderFileText("HTTP/1.1 200 OK\r\nA: b\r\nX\nC: d\r\n\r\n"), "A: b\n");
  EXPECT_EQ(HeaderFileText("HTTP/1.1 200 OK\r\nA: b\r\nX\r\nC: d\r\n\r\n"), "A: b\nX\nC: d\n");
  EXPECT_EQ(HeaderFileText("HTTP/1.1 200 OK"), "");
}

TEST(HttpHeaderFile, ReadBackTakesDateAndLength) {
  HeaderFileInfo info = ParseHeaderFileText(
      "Server: nginx\nContent-Length: 5000\nLast-Modified: Tue, 08 Dec 2026 10:00:00 GMT\n"
      "Last-Modified: Wed, 09 Dec 2026 10:00:00 GMT\n\nContent-Length: 7\n");
  EXPECT_TRUE(info.has_last_modified);
  EXPECT_EQ(info.last_modified, "Tue, 08 Dec 2026 10:00:00 GMT");  // the first one
  EXPECT_TRUE(info.has_content_length);
  EXPECT_EQ(info.content_length, 5000);  // reading stopped at the empty line

  HeaderFileInfo crlf = ParseHeaderFileText("Last-Modified: Mon\r\nContent-Length: x\r\n");
  EXPECT_EQ(crlf.last_modified, "Mon");
  EXPECT_FALSE(crlf.has_content_length);

  EXPECT_FALSE(ParseHeaderFileText("").has_last_modified);
  // Round trip of what the download writes.
  std::string text = HeaderFileText("HTTP/1.1 200 OK\r\nContent-Length: 12\r\nLast-Modified: D\r\n\r\n");
  HeaderFileInfo back = ParseHeaderFileText(text);
  EXPECT_EQ(back.content_length, 12);
  EXPECT_EQ(back.last_modified, "D");
}

// What h2o and proxies that lower-case every field stored must be found:
// names in any case, any blanks after the colon, none at all.
TEST(HttpHeaderFile, FieldNamesInAnyCaseAndAnySpacing) {
  struct Case {
    const char* stored;
    const char* date;  // nullptr: none found
    long long length;  // -1: none found
  } cases[] = {
      {"last-modified: Tue, 08 Dec 2026 10:00:00 GMT\ncontent-length: 42\n", "Tue, 08 Dec 2026 10:00:00 GMT", 42},
      {"LAST-MODIFIED: D\nCONTENT-LENGTH: 7\n", "D", 7},
      {"Last-modified:D\nContent-length:9\n", "D", 9},
      {"Last-Modified:\t D \nContent-Length:\t11\t\n", "D", 11},
      {"server: h2o\r\nlast-modified: D\r\ncontent-range: bytes 0-9/10\r\ncontent-length: 10\r\n", "D", 10},
      {"X-Last-Modified: D\nX-Content-Length: 5\n", nullptr, -1},
      {"Last-Modified : D\nContent-Length: 5x\n", nullptr, -1},
      {"content-length: 5\nContent-Length: 6\nlast-modified: A\nLast-Modified: B\n", "A", 5},
      {"Content-Length: 6000000000\n", nullptr, 6000000000LL},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored);
    HeaderFileInfo info = ParseHeaderFileText(c.stored);
    EXPECT_EQ(info.has_last_modified, c.date != nullptr);
    EXPECT_EQ(info.last_modified, c.date ? c.date : "");
    EXPECT_EQ(info.has_content_length, c.length >= 0);
    EXPECT_EQ(info.content_length, c.length >= 0 ? c.length : 0);
  }
}
