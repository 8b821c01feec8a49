#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "transport/http_request.h"

namespace {
std::string Request(const HttpRequestFields& f, size_t size = kHttpRequestSize) {
  std::string out(size, '\0');
  int n = FormatHttpRequest(out.data(), size, f);
  if (n < 0) return "<refused>";
  EXPECT_EQ(size_t(n), std::strlen(out.c_str()));
  return out.c_str();
}
}  // namespace

TEST(HttpRequest, DirectRequestUsesBareLineFeeds) {
  HttpRequestFields f;
  f.path = "/dir/name.lst";
  f.host = "server";
  f.if_modified_since = "Thu, 28 Apr 1994 14:00:00 GMT";
  EXPECT_EQ(Request(f),
            "GET /dir/name.lst HTTP/1.1\nHost: server\nConnection: close\nUser-Agent: QuorvelOnline/1.0\n"
            "If-Modified-Since: Thu, 28 Apr 1994 14:00:00 GMT\n\n");
}

TEST(HttpRequest, ProxyRequestWithAndWithoutCredentials) {
  HttpRequestFields f;
  f.path = "http://server:81/a.txt";
  f.host = "server:81";
  f.via_proxy = true;
  f.if_modified_since = "Sat, 01 Jan 2000 00:00:00 GMT";
  const std::string head =
      "GET http://server:81/a.txt HTTP/1.1\r\nUser-Agent: Mozilla/4.0 (compatible; MSIE 5.01; Windows NT 5.0)\r\n"
      "Host: server:81\r\nAuthorization: Basic \r\nConnection: close";
  const std::string tail = "\r\nIf-Modified-Since: Sat, 01 Jan 2000 00:00:00 GMT\r\n\r\n";
  EXPECT_EQ(Request(f), head + tail);
  f.proxy_authentication = "dXNlcjpwYXNz";
  // The credential line follows "Connection: close" after a bare line feed.
  EXPECT_EQ(Request(f), head + "\nProxy-Authorization: basic dXNlcjpwYXNz" + tail);
}

TEST(HttpRequest, UnconditionalAndRangedRequests) {
  HttpRequestFields f;
  f.path = "/big";
  f.host = "h";
  EXPECT_EQ(Request(f), "GET /big HTTP/1.1\nHost: h\nConnection: close\nUser-Agent: QuorvelOnline/1.0\n\n");
  f.if_modified_since = "Thu, 28 Apr 1994 14:00:00 GMT";
  f.range_start = 12345;
  f.if_range = "Tue, 08 Dec 2026 10:00:00 GMT";
  EXPECT_EQ(Request(f),
            "GET /big HTTP/1.1\nHost: h\nConnection: close\nUser-Agent: QuorvelOnline/1.0\n"
            "If-Modified-Since: Thu, 28 Apr 1994 14:00:00 GMT\nRange: bytes=12345-\n"
            "If-Range: Tue, 08 Dec 2026 10:00:00 GMT\n\n");
  f.via_proxy = true;
  std::string proxied = Request(f);
  EXPECT_NE(proxied.find("\r\nRange: bytes=12345-\r\nIf-Range: Tue, 08 Dec 2026 10:00:00 GMT\r\n\r\n"),
            std::string::npos);
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
