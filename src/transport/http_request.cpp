#include "transport/http_request.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

namespace {
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list copy;
  va_copy(copy, args);
  int n = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  std::string s(size_t(n > 0 ? n : 0), '\0');
  std::vsnprintf(s.data(), s.size() + 1, format, args);
  va_end(args);
  return s;
}
}  // namespace

int FormatHttpRequest(char* out, size_t size, const HttpRequestFields& f) {
  const char* eol = "\r\n";
  const char* connection = f.keep_alive ? "keep-alive" : "close";
  std::string request;
  if (f.via_proxy) {
    std::string auth;
    if (f.proxy_authentication) auth = Format("\r\nProxy-Authorization: basic %s", f.proxy_authentication);
    request = Format(
        "GET %s HTTP/1.1\r\nUser-Agent: Mozilla/4.0 (compatible; MSIE 5.01; Windows NT 5.0)\r\nHost: "
        "%s\r\nAuthorization: Basic \r\nConnection: %s%s\r\n",
        f.path, f.host, connection, auth.c_str());
  } else {
    request = Format("GET %s HTTP/1.1\r\nHost: %s\r\nConnection: %s\r\nUser-Agent: QuorvelOnline/1.0\r\n", f.path,
                     f.host, connection);
  }
  if (f.if_modified_since) request += Format("If-Modified-Since: %s%s", f.if_modified_since, eol);
  if (f.range_start >= 0) {
    request += Format("Range: bytes=%lld-%s", f.range_start, eol);
    if (f.if_range) request += Format("If-Range: %s%s", f.if_range, eol);
  }
  request += eol;
  if (request.size() + 1 > size) return -1;
  std::memcpy(out, request.c_str(), request.size() + 1);
  return int(request.size());
}
