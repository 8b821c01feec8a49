#include "transport/http_response.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {
// Feeds response in chunks of the given sizes (the last chunk takes the rest)
// and returns what the accumulator made of it: the header and the body bytes
// after it, or "<too long>".
std::pair<std::string, std::string> FeedInChunks(const std::string& response, const std::vector<size_t>& sizes) {
  HttpHeaderAccumulator acc;
  std::string body;
  size_t at = 0;
  size_t i = 0;
  while (at < response.size()) {
    size_t n = i < sizes.size() ? std::min(sizes[i], response.size() - at) : response.size() - at;
    ++i;
    const char* chunk = response.data() + at;
    at += n;
    if (acc.complete()) {
      body.append(chunk, n);
      continue;
    }
    size_t bodyStart = 0;
    HttpHeaderAccumulator::Result r = acc.Feed(chunk, n, &bodyStart);
    if (r == HttpHeaderAccumulator::kTooLong) return {"<too long>", ""};
    if (r == HttpHeaderAccumulator::kComplete) body.append(chunk + bodyStart, n - bodyStart);
  }
  if (!acc.complete()) return {"<incomplete>", ""};
  return {acc.header(), body};
}
}  // namespace

TEST(HttpHeaderAccumulator, FindsTheHeaderEndHoweverTheBytesAreSplit) {
  const std::string header =
      "HTTP/1.1 200 OK\r\nServer: t\r\nContent-Length: 10\r\nLast-Modified: Tue, 08 Dec 2026 10:00:00 GMT\r\n\r\n";
  const std::string body = "0123456789";
  const std::string response = header + body;
  // Every split point of the terminator, and byte by byte.
  for (size_t cut = 1; cut < response.size(); ++cut) {
    SCOPED_TRACE(cut);
    EXPECT_EQ(FeedInChunks(response, {cut}), std::make_pair(header, body));
  }
  EXPECT_EQ(FeedInChunks(response, std::vector<size_t>(response.size(), 1)), std::make_pair(header, body));
  std::mt19937 rng(5);
  for (int round = 0; round < 200; ++round) {
    std::vector<size_t> sizes;
    for (int k = 0; k < 40; ++k) sizes.push_back(1 + rng() % 17);
    EXPECT_EQ(FeedInChunks(response, sizes), std::make_pair(header, body));
  }
}

TEST(HttpHeaderAccumulator, BareLineFeedsAndUnendedHeadersAreNotComplete) {
  EXPECT_EQ(FeedInChunks("HTTP/1.1 200 OK\nA: b\n\nbody", {}).first, "<incomplete>");
  EXPECT_EQ(FeedInChunks("HTTP/1.1 200 OK\r\nA: b\r\n", {3}).first, "<incomplete>");
}

TEST(HttpHeaderAccumulator, OversizedHeaderIsRefusedAtTheBound) {
  std::string big = "HTTP/1.1 200 OK\r\nX: " + std::string(HttpHeaderAccumulator::kMaxHeader, 'a') + "\r\n\r\n";
  EXPECT_EQ(FeedInChunks(big, {1000, 1000}).first, "<too long>");
  EXPECT_EQ(FeedInChunks(big, {}).first, "<too long>");
  // A header just inside the bound, bigger than any single receive pass would give.
  std::string fits = "HTTP/1.1 200 OK\r\nX: ";
  fits += std::string(HttpHeaderAccumulator::kMaxHeader - fits.size() - 4, 'b') + "\r\n\r\n";
  ASSERT_EQ(fits.size(), HttpHeaderAccumulator::kMaxHeader);
  EXPECT_EQ(FeedInChunks(fits + "tail", {4000, 4000}), std::make_pair(fits, std::string("tail")));
}

TEST(HttpResponse, StatusLine) {
  HttpStatusLine s;
  ASSERT_TRUE(ParseHttpStatusLine("HTTP/1.0 304 Not Modified\r\n\r\n", &s));
  EXPECT_EQ(s.major, 1);
  EXPECT_EQ(s.minor, 0);
  EXPECT_EQ(s.code, 304);
  EXPECT_FALSE(ParseHttpStatusLine("ICY 200 OK\r\n\r\n", &s));
  EXPECT_FALSE(ParseHttpStatusLine("HTTP/1.1 abc\r\n\r\n", &s));
  EXPECT_FALSE(ParseHttpStatusLine(std::string(200, ' ') + "HTTP/1.1 200 OK", &s));
}

TEST(HttpResponse, ContentLengthField) {
  struct Case {
    const char* header;
    ContentLengthResult result;
    long long value;
  } cases[] = {
      {"HTTP/1.1 200 OK\r\nContent-Length: 1234\r\n\r\n", kContentLengthOk, 1234},
      {"HTTP/1.1 200 OK\r\ncontent-length:0\r\n\r\n", kContentLengthOk, 0},
      {"HTTP/1.1 200 OK\r\nContent-Type: x\r\n\r\n", kContentLengthAbsent, 0},
      {"HTTP/1.1 200 OK\r\nX-Note: Content-Length: 5\r\n\r\n", kContentLengthAbsent, 0},
      {"HTTP/1.1 200 OK\r\nContent-Length: abc\r\n\r\n", kContentLengthBad, 0},
      {"HTTP/1.1 200 OK\r\nContent-Length: -5\r\n\r\n", kContentLengthBad, 0},
      {"HTTP/1.1 200 OK\r\nContent-Length: 2147483648\r\n\r\n", kContentLengthOk, 2147483648LL},
      {"HTTP/1.1 200 OK\r\nContent-Length: 5368709120\r\n\r\n", kContentLengthOk, 5368709120LL},
      {"HTTP/1.1 200 OK\r\nContent-Length: 999999999999999999\r\n\r\n", kContentLengthOk, 999999999999999999LL},
      {"HTTP/1.1 200 OK\r\nContent-Length: 1000000000000000000\r\n\r\n", kContentLengthBad, 0},
      {"HTTP/1.1 200 OK\r\nContent-Length: 99999999999999999999\r\n\r\n", kContentLengthBad, 0},
      {"HTTP/1.1 200 OK\r\nContent-Length: \r\n\r\n", kContentLengthBad, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.header);
    long long v = -7;
    EXPECT_EQ(ParseContentLength(c.header, &v), c.result);
    if (c.result == kContentLengthOk) EXPECT_EQ(v, c.value);
  }
}

TEST(HttpResponse, FieldsAndContentRange) {
  std::string h =
      "HTTP/1.1 206 Partial Content\r\nLast-Modified:  Tue, 08 Dec 2026 10:00:00 GMT \r\n"
      "Content-Range: bytes 100-199/200\r\n\r\n";
  std::string v;
  ASSERT_TRUE(FindHttpHeaderField(h, "last-modified", &v));
  EXPECT_EQ(v, "Tue, 08 Dec 2026 10:00:00 GMT");
  EXPECT_FALSE(FindHttpHeaderField(h, "Last", &v));
  ASSERT_TRUE(FindHttpHeaderField(h, "Content-Range", &v));
  long long first, last, total;
  ASSERT_TRUE(ParseContentRange(v, &first, &last, &total));
  EXPECT_EQ(first, 100);
  EXPECT_EQ(last, 199);
  EXPECT_EQ(total, 200);
  EXPECT_TRUE(ParseContentRange("bytes 0-0/*", &first, &last, &total));
  EXPECT_EQ(total, -1);
  EXPECT_FALSE(ParseContentRange("bytes 10-5/20", &first, &last, &total));
  EXPECT_FALSE(ParseContentRange("bytes 10-25/20", &first, &last, &total));
  EXPECT_FALSE(ParseContentRange("bytes */20", &first, &last, &total));
  EXPECT_FALSE(ParseContentRange("bytes 1-2/3x", &first, &last, &total));
  ASSERT_TRUE(ParseContentRange("bytes 4294967296-5368709119/5368709120", &first, &last, &total));
  EXPECT_EQ(first, 4294967296LL);
  EXPECT_EQ(total, 5368709120LL);
  EXPECT_FALSE(ParseContentRange("bytes 0-1/99999999999999999999", &first, &last, &total));
}

TEST(HttpResponse, TransferCodingsInAnyField) {
  struct Case {
    const char* fields;
    HttpTransferCoding expected;
  } cases[] = {
      {"Content-Length: 3\r\n", kTransferIdentity},
      {"Transfer-Encoding: Identity\r\n", kTransferIdentity},
      {"Transfer-Encoding: chunked\r\n", kTransferChunked},
      {"transfer-encoding:CHUNKED;x=1 \r\n", kTransferChunked},
      {"Transfer-Encoding: identity\r\nX: y\r\nTransfer-Encoding: chunked\r\n", kTransferChunked},
      {"Transfer-Encoding: gzip, chunked\r\n", kTransferUnsupported},
      {"Transfer-Encoding: chunked, gzip\r\n", kTransferUnsupported},
      {"Transfer-Encoding: chunked\r\nTransfer-Encoding: chunked\r\n", kTransferUnsupported},
      {"Transfer-Encoding: identity\r\nTransfer-Encoding: br\r\n", kTransferUnsupported},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fields);
    EXPECT_EQ(ClassifyTransferCoding(std::string("HTTP/1.1 200 OK\r\n") + c.fields + "\r\n"), c.expected);
  }
}

TEST(HttpResponse, KeptConnectionsByVersionAndConnectionOptions) {
  struct Case {
    const char* header;
    bool kept;
  } cases[] = {
      {"HTTP/1.1 200 OK\r\n\r\n", true},
      {"HTTP/1.1 200 OK\r\nConnection: Close\r\n\r\n", false},
      {"HTTP/1.1 200 OK\r\nConnection: keep-alive, close\r\n\r\n", false},
      {"HTTP/1.1 200 OK\r\nConnection: upgrade\r\nconnection: close\r\n\r\n", false},
      {"HTTP/1.1 200 OK\r\nX-Connection: close\r\n\r\n", true},
      {"HTTP/1.0 200 OK\r\n\r\n", false},
      {"HTTP/1.0 200 OK\r\nConnection: Keep-Alive\r\n\r\n", true},
      {"garbage\r\n\r\n", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.header);
    EXPECT_EQ(HttpKeepsConnection(c.header), c.kept);
  }
}

TEST(HttpResponse, StatusTexts) {
  EXPECT_STREQ(HttpStatusText(302), "Found");
  EXPECT_STREQ(HttpStatusText(407), "Proxy Authentication Required");
  EXPECT_STREQ(HttpStatusText(416), "Requested range not satisfiable");
  EXPECT_STREQ(HttpStatusText(503), "Service Unavailable");
  EXPECT_STREQ(HttpStatusText(306), "Unknown HTTP Error");
  EXPECT_STREQ(HttpStatusText(-1), "Unknown HTTP Error");
}
