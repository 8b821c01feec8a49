// Splitting a download URL and building the request target from its parts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The part table has room for 31 parts and an end marker; longer URLs are refused.
constexpr int kMaxUrlParts = 31;

struct HttpUrlParts {
  const char* parts[kMaxUrlParts + 1];  // null after the last
  int count;
  int host_index;  // 1 after "http:", else 0
};

// Splits url in place at "/" ("\" counts as "/"; empty parts are dropped).
// The host is the part after a first part "http:" (in any case), else the
// first part. False when the URL has no part or more than kMaxUrlParts.
bool SplitUrl(char* url, HttpUrlParts* out);

// Splits a host part "name" or "name:port" (port 1..65535; without one, 80);
// an IPv6 literal is in brackets, "[::1]:8080", and name is what is inside
// them. False for an empty name, a bad port, an IPv6 address without its
// brackets or a name longer than nameSize - 1.
bool SplitHostPort(const char* hostPart, char* name, size_t nameSize, uint16_t* port);

// The request target: direct, "/" and the parts after the host joined with
// "/"; through a proxy, the whole URL again ("http://host/..."). Each byte of
// a path segment outside RFC 3986's unreserved and sub-delims sets (and ':'
// '@') is sent as %XX: a space as "%20", '%' as "%25". False when it does not
// fit in size bytes (terminator included).
bool BuildRequestPath(const HttpUrlParts& url, bool viaProxy, char* out, size_t size);

// The absolute URL that a redirect's Location names, resolved against the
// absolute http URL base as RFC 3986 (5.2) resolves a reference: relative
// paths against base's path, "." and ".." segments removed, a fragment
// dropped. Only http can be fetched: any other scheme, or no host, leaves
// *why (a phrase for a message) and returns false.
bool ResolveHttpLocation(const std::string& base, const std::string& location, std::string* out, std::string* why);

// Splits an absolute http URL (as ResolveHttpLocation gives) into its
// authority ("host" or "host:port") and its request target (path and query,
// "/" when empty). False when it is not one.
bool SplitAbsoluteHttpUrl(const std::string& url, std::string* authority, std::string* target);
