#include "transport/http_url.h"

#include "foundation/case_compare.h"
#include <cstdlib>
#include <cstring>
#include <string>

bool SplitUrl(char* url, HttpUrlParts* out) {
  out->count = 0;
  out->host_index = 0;
  for (char* p = url; *p; ++p)
    if (*p == '\\') *p = '/';
  char* p = url;
  while (*p) {
    while (*p == '/') *p++ = '\0';
    if (!*p) break;
    if (out->count == kMaxUrlParts) return false;
    out->parts[out->count++] = p;
    while (*p && *p != '/') ++p;
  }
  out->parts[out->count] = nullptr;
  if (out->count == 0) return false;
  if (CaseCompare(out->parts[0], "http:") == 0) out->host_index = 1;
  return out->host_index < out->count;
}

bool SplitHostPort(const char* hostPart, char* name, size_t nameSize, uint16_t* port) {
  const char* colon = std::strrchr(hostPart, ':');
  size_t nameLen = colon ? size_t(colon - hostPart) : std::strlen(hostPart);
  if (nameLen == 0 || nameLen >= nameSize) return false;
  *port = 80;
  if (colon) {
    const char* digits = colon + 1;
    if (!*digits || std::strlen(digits) > 5) return false;
    for (const char* d = digits; *d; ++d)
      if (*d < '0' || *d > '9') return false;
    long value = std::strtol(digits, nullptr, 10);
    if (value < 1 || value > 65535) return false;
    *port = uint16_t(value);
  }
  std::memcpy(name, hostPart, nameLen);
  name[nameLen] = '\0';
  return true;
}

namespace {
// RFC 3986's pchar: unreserved, sub-delims, ':' and '@' stand for
// themselves in a path segment; every other byte is sent as %XX (upper-case
// hex), '%', '?', '#', blanks, control bytes and UTF-8 bytes included, so
// that no name reads as a query, a fragment or an escape of another name.
bool StandsForItself(unsigned char c) {
  if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) return true;
  return c != 0 && std::strchr("-._~!$&'()*+,;=:@", c) != nullptr;
}

void AppendEscaped(std::string& out, const char* part) {
  static const char kHex[] = "0123456789ABCDEF";
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(part); *p; ++p) {
    if (StandsForItself(*p)) {
      out += char(*p);
    } else {
      out += '%';
      out += kHex[*p >> 4];
      out += kHex[*p & 15];
    }
  }
}
}  // namespace

bool BuildRequestPath(const HttpUrlParts& url, bool viaProxy, char* out, size_t size) {
  std::string path;
  if (viaProxy) {
    // The scheme and the host go as they are; only the path is escaped.
    for (int i = 0; i < url.count; ++i) {
      if (i) path += '/';
      if (i <= url.host_index)
        path += url.parts[i];
      else
        AppendEscaped(path, url.parts[i]);
      if (i == 0) path += '/';
    }
  } else {
    path = "/";
    for (int i = url.host_index + 1; i < url.count; ++i) {
      if (i > url.host_index + 1) path += '/';
      AppendEscaped(path, url.parts[i]);
    }
  }
  if (path.size() + 1 > size) return false;
  std::memcpy(out, path.c_str(), path.size() + 1);
  return true;
}
