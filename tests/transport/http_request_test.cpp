#include "transport/http_request.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {
std::string Request(const HttpRequestFields& f, size_t size = kHttpRequestSize) {
  std::string out(size, '\0');
  int n = FormatHttpRequest(out.data(), size, f);
  if (n < 0) return "<refused>";
  EXPECT_EQ(size_t(n), std::strlen(out.c_str()));
  return out.c_str();
}
}  // namespace

// Every line of every form ends with CR LF; the lines and their order are the
// protocol's and stay byte for byte.
TEST(HttpRequest, EveryFormEndsEachLineWithCrLf) {
  const std::string proxyHead =
      "GET http://server:81/a.txt HTTP/1.1\r\nUser-Agent: Mozilla/4.0 (compatible; MSIE 5.01; Windows NT 5.0)\r\n"
      "Host: server:81\r\nAuthorization: Basic \r\nConnection: close";
  struct Case {
    const char* name;
    bool viaProxy;
    const char* auth;
    const char* since;
    long range;
    std::string expected;
  } cases[] = {
      {"direct, conditional", false, nullptr, "Thu, 28 Apr 1994 14:00:00 GMT", -1,
       "GET /dir/name.lst HTTP/1.1\r\nHost: server\r\nConnection: close\r\nUser-Agent: QuorvelOnline/1.0\r\n"
       "If-Modified-Since: Thu, 28 Apr 1994 14:00:00 GMT\r\n\r\n"},
      {"direct, unconditional", false, nullptr, nullptr, -1,
       "GET /dir/name.lst HTTP/1.1\r\nHost: server\r\nConnection: close\r\nUser-Agent: QuorvelOnline/1.0\r\n\r\n"},
      {"direct, ranged", false, nullptr, "Thu, 28 Apr 1994 14:00:00 GMT", 12345,
       "GET /dir/name.lst HTTP/1.1\r\nHost: server\r\nConnection: close\r\nUser-Agent: QuorvelOnline/1.0\r\n"
       "If-Modified-Since: Thu, 28 Apr 1994 14:00:00 GMT\r\nRange: bytes=12345-\r\n"
       "If-Range: Tue, 08 Dec 2026 10:00:00 GMT\r\n\r\n"},
      {"proxy", true, nullptr, "Sat, 01 Jan 2000 00:00:00 GMT", -1,
       proxyHead + "\r\nIf-Modified-Since: Sat, 01 Jan 2000 00:00:00 GMT\r\n\r\n"},
      // The credential line follows the Connection line.
      {"proxy with credential", true, "dXNlcjpwYXNz", "Sat, 01 Jan 2000 00:00:00 GMT", -1,
       proxyHead + "\r\nProxy-Authorization: basic dXNlcjpwYXNz\r\nIf-Modified-Since: Sat, 01 Jan 2000 00:00:00 GMT"
                   "\r\n\r\n"},
      {"proxy, ranged", true, nullptr, nullptr, 7,
       proxyHead + "\r\nRange: bytes=7-\r\nIf-Range: Tue, 08 Dec 2026 10:00:00 GMT\r\n\r\n"},
  };
  // A kept connection changes that one word and nothing else.
  for (bool keepAlive : {false, true})
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.name) + (keepAlive ? ", keep-alive" : ""));
      std::string expected = c.expected;
      if (keepAlive) expected.replace(expected.find("Connection: close"), 17, "Connection: keep-alive");
      HttpRequestFields f;
      f.keep_alive = keepAlive;
      f.path = c.viaProxy ? "http://server:81/a.txt" : "/dir/name.lst";
      f.host = c.viaProxy ? "server:81" : "server";
      f.via_proxy = c.viaProxy;
      f.proxy_authentication = c.auth;
      f.if_modified_since = c.since;
      f.range_start = c.range;
      f.if_range = "Tue, 08 Dec 2026 10:00:00 GMT";
      std::string got = Request(f);
      EXPECT_EQ(got, expected);
      for (size_t i = 0; i < got.size(); ++i) {
        if (got[i] == '\n') {
          ASSERT_TRUE(i > 0 && got[i - 1] == '\r') << "bare line feed at " << i;
        }
      }
    }
}

TEST(HttpRequest, RequestThatDoesNotFitIsRefusedNotCut) {
  HttpRequestFields f;
  std::string path = "/" + std::string(1990, 'x');
  f.path = path.c_str();
  f.host = "h";
  EXPECT_EQ(Request(f), "<refused>");
  std::string exact = Request(f, 4096);
  ASSERT_NE(exact, "<refused>");
  EXPECT_EQ(Request(f, exact.size() + 1), exact);
  EXPECT_EQ(Request(f, exact.size()), "<refused>");
}
