// The GET request of a download, byte for byte. Every line ends with CR LF,
// as HTTP/1.1 requires: strict servers answer a bare line feed with 400. The
// proxy form keeps its own line order, with Proxy-Authorization right after
// the Connection line. That line asks for "keep-alive" when the connection is
// to be kept for the next request, else "close".
#pragma once

#include <cstddef>

struct HttpRequestFields {
  const char* path = "/";  // request target (BuildRequestPath)
  const char* host = "";   // Host line: the URL's host part, with its port if any
  bool via_proxy = false;
  const char* proxy_authentication = nullptr;  // Base64 "user:password", or null
  const char* if_modified_since = nullptr;     // null: no If-Modified-Since line (unconditional)
  long long range_start = -1;                  // >= 0: ask for the bytes from here on
  const char* if_range = nullptr;              // validator sent with a range
  bool keep_alive = false;                     // "Connection: keep-alive" instead of "close"
};

// Writes the request into out (size bytes, terminator included). Returns its
// length, or -1 when it does not fit.
int FormatHttpRequest(char* out, size_t size, const HttpRequestFields& fields);

// Requests are built in a buffer of this size.
constexpr size_t kHttpRequestSize = 2048;
