#include "transport/http_url.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>

#include "foundation/case_compare.h"

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
  const char* nameStart = hostPart;
  const char* nameEnd;
  const char* rest;
  if (hostPart[0] == '[') {
    // An IPv6 literal: hex digits and colons (an IPv4 tail has dots) in brackets.
    nameStart = hostPart + 1;
    nameEnd = std::strchr(nameStart, ']');
    if (!nameEnd) return false;
    for (const char* c = nameStart; c < nameEnd; ++c)
      if (!std::isxdigit(static_cast<unsigned char>(*c)) && *c != ':' && *c != '.') return false;
    rest = nameEnd + 1;
    if (*rest && *rest != ':') return false;
  } else {
    const char* colon = std::strchr(hostPart, ':');
    nameEnd = colon ? colon : hostPart + std::strlen(hostPart);
    rest = nameEnd;
    // More than one colon is an IPv6 address without its brackets.
    if (colon && std::strchr(colon + 1, ':')) return false;
  }
  size_t nameLen = size_t(nameEnd - nameStart);
  if (nameLen == 0 || nameLen >= nameSize) return false;
  *port = 80;
  if (*rest == ':') {
    const char* digits = rest + 1;
    if (!*digits || std::strlen(digits) > 5) return false;
    for (const char* d = digits; *d; ++d)
      if (*d < '0' || *d > '9') return false;
    long value = std::strtol(digits, nullptr, 10);
    if (value < 1 || value > 65535) return false;
    *port = uint16_t(value);
  }
  std::memcpy(name, nameStart, nameLen);
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

// Appends text with each byte that keep refuses sent as %XX (upper-case hex).
template <class Keep>
void AppendEscaped(std::string& out, const std::string& text, Keep keep) {
  static const char kHex[] = "0123456789ABCDEF";
  for (unsigned char c : text) {
    if (keep(c)) {
      out += char(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
}

void AppendEscaped(std::string& out, const char* part) { AppendEscaped(out, part, StandsForItself); }
}  // namespace

bool BuildRequestPath(const HttpUrlParts& url, bool viaProxy, char* out, size_t size) {
  std::string path;
  if (viaProxy) {
    // The scheme and the host go as they are; only the path is escaped.
    for (int i = 0; i < url.count; ++i) {
      if (i) path += '/';
      if (i <= url.host_index) path += url.parts[i];
      else AppendEscaped(path, url.parts[i]);
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

namespace {
struct UriParts {
  std::string scheme, authority, path, query;
  bool hasScheme = false, hasAuthority = false, hasQuery = false;
};

// RFC 3986, appendix B: scheme, authority, path and query of a reference
// (the fragment is not kept).
UriParts ParseReference(std::string ref) {
  UriParts u;
  ref = ref.substr(0, ref.find('#'));
  const size_t colon = ref.find(':');
  const size_t stop = ref.find_first_of("/?");
  if (colon != std::string::npos && colon > 0 && (stop == std::string::npos || colon < stop)) {
    u.scheme = ref.substr(0, colon);
    u.hasScheme = true;
    ref = ref.substr(colon + 1);
  }
  if (ref.rfind("//", 0) == 0) {
    const size_t end = ref.find_first_of("/?", 2);
    u.authority = ref.substr(2, end == std::string::npos ? std::string::npos : end - 2);
    u.hasAuthority = true;
    ref = end == std::string::npos ? "" : ref.substr(end);
  }
  const size_t q = ref.find('?');
  u.path = ref.substr(0, q);
  if (q != std::string::npos) {
    u.query = ref.substr(q + 1);
    u.hasQuery = true;
  }
  return u;
}

// RFC 3986, 5.2.4.
std::string RemoveDotSegments(std::string in) {
  std::string out;
  while (!in.empty()) {
    if (in.rfind("../", 0) == 0) in.erase(0, 3);
    else if (in.rfind("./", 0) == 0) in.erase(0, 2);
    else if (in.rfind("/./", 0) == 0) in.erase(0, 2);
    else if (in == "/.") in = "/";
    else if (in.rfind("/../", 0) == 0 || in == "/..") {
      in = "/" + in.substr(in.size() > 3 ? 4 : 3);
      const size_t cut = out.rfind('/');
      out.erase(cut == std::string::npos ? 0 : cut);
    } else if (in == "." || in == "..") in.clear();
    else {
      const size_t next = in.find('/', in[0] == '/' ? 1 : 0);
      out += in.substr(0, next);
      in.erase(0, next == std::string::npos ? in.size() : next);
    }
  }
  return out;
}

std::string Lower(std::string s) {
  for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
  return s;
}
}  // namespace

bool ResolveHttpLocation(const std::string& base, const std::string& location, std::string* out, std::string* why) {
  // Blanks around the value are not the reference's; inside it they are sent escaped.
  const size_t b = location.find_first_not_of(" \t"), e = location.find_last_not_of(" \t");
  if (b == std::string::npos) {
    *why = "the redirect names no address";
    return false;
  }
  UriParts r = ParseReference(location.substr(b, e - b + 1)), t;
  const UriParts base_ = ParseReference(base);
  if (r.hasScheme) {
    t = r;
    t.path = RemoveDotSegments(r.path);
  } else {
    t.scheme = base_.scheme;
    if (r.hasAuthority) {
      t.authority = r.authority;
      t.path = RemoveDotSegments(r.path);
      t.query = r.query, t.hasQuery = r.hasQuery;
    } else {
      t.authority = base_.authority;
      if (r.path.empty()) {
        t.path = base_.path;
        t.query = r.hasQuery ? r.query : base_.query;
        t.hasQuery = r.hasQuery || base_.hasQuery;
      } else {
        if (r.path[0] == '/') {
          t.path = RemoveDotSegments(r.path);
        } else {
          // Merge (5.2.3): the reference replaces the base path's last segment.
          const size_t slash = base_.path.rfind('/');
          const std::string dir = slash == std::string::npos ? "/" : base_.path.substr(0, slash + 1);
          t.path = RemoveDotSegments(dir + r.path);
        }
        t.query = r.query, t.hasQuery = r.hasQuery;
      }
    }
  }
  if (Lower(t.scheme) != "http") {
    *why = t.scheme.empty() ? "the address has no scheme" : "only http addresses can be fetched, not " + t.scheme;
    return false;
  }
  if (t.authority.empty() || t.authority.find('@') != std::string::npos) {
    *why = "the address names no server this program can reach";
    return false;
  }
  std::string url = "http://" + Lower(t.authority) + (t.path.empty() ? "/" : t.path);
  if (t.hasQuery) url += "?" + t.query;
  // Bytes a request line cannot carry are sent escaped.
  out->clear();
  AppendEscaped(*out, url, [](unsigned char c) { return c > 32 && c < 127; });
  return true;
}

bool SplitAbsoluteHttpUrl(const std::string& url, std::string* authority, std::string* target) {
  if (url.size() < 8 || Lower(url.substr(0, 7)) != "http://") return false;
  const size_t end = url.find_first_of("/?", 7);
  *authority = url.substr(7, end == std::string::npos ? std::string::npos : end - 7);
  *target = end == std::string::npos ? "/" : url.substr(end);
  if ((*target)[0] == '?') target->insert(0, "/");
  return !authority->empty();
}
