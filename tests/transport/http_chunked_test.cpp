#include "transport/http_chunked.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {
struct Decoded {
  HttpChunkedDecoder::Result result = HttpChunkedDecoder::kNeedMore;
  std::string body;
  size_t rest = 0;  // input bytes left over after the end
  std::string error;
};

// Feeds the coded body in random pieces, decoding each piece in place as the
// download does.
Decoded DecodeInPieces(const std::string& coded, std::mt19937& random) {
  HttpChunkedDecoder decoder;
  Decoded d;
  size_t at = 0;
  while (at < coded.size() && d.result == HttpChunkedDecoder::kNeedMore) {
    size_t n = std::min(coded.size() - at, size_t(random() % 9 + 1));
    std::string piece = coded.substr(at, n);
    size_t produced = 0, consumed = 0;
    d.result = decoder.Feed(piece.data(), n, piece.data(), &produced, &consumed);
    d.body.append(piece.data(), produced);
    if (d.result == HttpChunkedDecoder::kNeedMore) {
      EXPECT_EQ(consumed, n);
    }
    at += consumed;
  }
  d.rest = coded.size() - at;
  d.error = decoder.error();
  return d;
}
}  // namespace

TEST(HttpChunked, DecodesOrRefusesInAnySplit) {
  const auto kDone = HttpChunkedDecoder::kDone, kMore = HttpChunkedDecoder::kNeedMore, kBad = HttpChunkedDecoder::kBad;
  const std::string big(70000, 'x');
  struct Case {
    const char* name;
    std::string coded;
    HttpChunkedDecoder::Result result;
    std::string body;
    size_t rest;
  } cases[] = {
      {"two chunks", "4\r\nWiki\r\n5\r\npedia\r\n0\r\n\r\n", kDone, "Wikipedia", 0},
      {"upper and lower hex, leading zeros", "0A\r\n0123456789\r\n000b\r\nabcdefghijk\r\n0\r\n\r\n", kDone,
       "0123456789abcdefghijk", 0},
      {"extensions ignored", "3;name=\"v;x\"\r\nabc\r\n0;last\r\n\r\n", kDone, "abc", 0},
      {"trailers ignored", "3\r\nabc\r\n0\r\nDigest: x\r\nX-Other: y\r\n\r\n", kDone, "abc", 0},
      {"bare line feeds", "3\nabc\n0\n\n", kDone, "abc", 0},
      {"bytes after the end are not the body's", "1\r\nz\r\n0\r\n\r\nHTTP/1.1", kDone, "z", 8},
      {"a chunk over 64 KB", "11170\r\n" + big + "\r\n0\r\n\r\n", kDone, big, 0},
      {"empty body", "0\r\n\r\n", kDone, "", 0},
      {"cut off mid-chunk", "5\r\nabc", kMore, "abc", 0},
      {"cut off before the last chunk", "3\r\nabc\r\n", kMore, "abc", 0},
      {"cut off in the trailer", "3\r\nabc\r\n0\r\nX: y\r\n", kMore, "abc", 0},
      {"sixteen digits, within the bound", "0000000000000003\r\nabc\r\n0\r\n\r\n", kDone, "abc", 0},
      {"seventeen digits", "00000000000000003\r\nabc\r\n0\r\n\r\n", kBad, "", 0},
      {"a chunk past the bound", "10000000001\r\n", kBad, "", 0},
      {"a size that would overflow", "ffffffffffffffff\r\n", kBad, "", 0},
      {"no size", "\r\nabc\r\n", kBad, "", 0},
      {"not hex", "3x\r\nabc\r\n", kBad, "", 0},
      {"data longer than its size", "2\r\nabc\r\n0\r\n\r\n", kBad, "ab", 0},
      {"CR without LF", "3\rabc", kBad, "", 0},
      {"endless extension", "1;" + std::string(HttpChunkedDecoder::kMaxSkipped + 1, 'e'), kBad, "", 0},
      {"endless trailer", "0\r\nX: " + std::string(HttpChunkedDecoder::kMaxSkipped, 't'), kBad, "", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (unsigned seed = 0; seed < 20; ++seed) {
      std::mt19937 random(seed);
      Decoded d = DecodeInPieces(c.coded, random);
      ASSERT_EQ(d.result, c.result) << "seed " << seed << ": " << d.error;
      if (c.result == kBad) {
        EXPECT_EQ(d.body, c.body.substr(0, d.body.size())) << "what came before the fault";
        continue;
      }
      EXPECT_EQ(d.body, c.body);
      EXPECT_EQ(d.rest, c.rest);
    }
  }
}
