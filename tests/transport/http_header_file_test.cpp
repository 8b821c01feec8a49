#include <gtest/gtest.h>

#include "transport/http_header_file.h"

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
