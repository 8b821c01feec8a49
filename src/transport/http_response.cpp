#include "transport/http_response.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "foundation/case_compare.h"

HttpHeaderAccumulator::Result HttpHeaderAccumulator::Feed(const char* data, size_t length, size_t* bodyStart) {
  *bodyStart = 0;
  if (complete_) return kComplete;
  size_t before = buffer_.size();
  // Never hold more than the bound plus the three bytes that may begin the
  // terminator; what lies beyond is body or a refused header.
  size_t take = length;
  if (before + take > kMaxHeader + 3) take = kMaxHeader + 3 - before;
  buffer_.append(data, take);
  size_t from = before >= 3 ? before - 3 : 0;
  size_t pos = buffer_.find("\r\n\r\n", from);
  if (pos == std::string::npos || pos + 4 > kMaxHeader) {
    if (buffer_.size() >= kMaxHeader) return kTooLong;
    return kNeedMore;
  }
  size_t end = pos + 4;
  *bodyStart = end - before;
  buffer_.resize(end);
  complete_ = true;
  return kComplete;
}

void HttpHeaderAccumulator::Reset() {
  buffer_.clear();
  complete_ = false;
}

bool ParseHttpStatusLine(const std::string& header, HttpStatusLine* status) {
  char first[129];
  size_t n = header.size() < 128 ? header.size() : 128;
  std::memcpy(first, header.data(), n);
  first[n] = '\0';
  return std::sscanf(first, "HTTP/%d.%d %d", &status->major, &status->minor, &status->code) == 3;
}

namespace {
// Calls found(value) for each field of that name in order, until it returns
// true; returns whether one did.
// Field names match without regard to case, at the start of a line, right
// before the colon; blanks around the value are not part of it. fromLine is
// where the first field line begins.
template <class Found>
bool EachFieldFrom(const std::string& header, size_t fromLine, const char* name, Found found) {
  size_t nameLen = std::strlen(name);
  for (size_t start = fromLine; start < header.size();) {
    size_t end = header.find('\n', start);
    size_t stop = end == std::string::npos ? header.size() : end;
    if (stop - start > nameLen && CaseCompareN(header.c_str() + start, name, nameLen) == 0 &&
        header[start + nameLen] == ':') {
      size_t v = start + nameLen + 1;
      while (v < stop && (header[v] == ' ' || header[v] == '\t')) ++v;
      size_t e = stop;
      while (e > v && (header[e - 1] == '\r' || header[e - 1] == ' ' || header[e - 1] == '\t')) --e;
      if (found(header.substr(v, e - v))) return true;
    }
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return false;
}

template <class Found>
bool EachHttpHeaderField(const std::string& header, const char* name, Found found) {
  size_t line = header.find('\n');  // the status line is not a field
  return line != std::string::npos && EachFieldFrom(header, line + 1, name, found);
}

// Each element of every field called name, a comma-separated list, with its
// parameters (";...") and surrounding blanks cut off; empty elements skipped.
template <class Each>
void EachHttpListElement(const std::string& header, const char* name, Each each) {
  EachHttpHeaderField(header, name, [&](const std::string& v) {
    size_t at = 0;
    while (at <= v.size()) {
      size_t comma = v.find(',', at);
      if (comma == std::string::npos) comma = v.size();
      std::string element = v.substr(at, comma - at);
      element = element.substr(0, element.find(';'));
      size_t b = element.find_first_not_of(" \t"), e = element.find_last_not_of(" \t");
      if (b != std::string::npos) each(element.substr(b, e - b + 1));
      at = comma + 1;
    }
    return false;
  });
}
}  // namespace

bool FindHttpField(const std::string& lines, const char* name, std::string* value) {
  return EachFieldFrom(lines, 0, name, [&](const std::string& v) {
    *value = v;
    return true;
  });
}

bool FindHttpHeaderField(const std::string& header, const char* name, std::string* value) {
  return EachHttpHeaderField(header, name, [&](const std::string& v) {
    *value = v;
    return true;
  });
}

HttpTransferCoding ClassifyTransferCoding(const std::string& header) {
  // Every field counts: a harmless first one must not hide a later coding.
  int chunked = 0;
  bool other = false, afterChunked = false;
  EachHttpListElement(header, "Transfer-Encoding", [&](const std::string& coding) {
    if (CaseCompare(coding.c_str(), "identity") == 0) return;
    if (chunked) afterChunked = true;
    if (CaseCompare(coding.c_str(), "chunked") == 0) ++chunked;
    else other = true;
  });
  if (other || afterChunked || chunked > 1) return kTransferUnsupported;
  return chunked ? kTransferChunked : kTransferIdentity;
}

ContentLengthResult ParseContentLength(const std::string& header, long long* value) {
  // Every Content-Length field must be readable and all must agree: two
  // different lengths leave the body's end unknown.
  long long first = -1;
  bool seen = false, bad = false;
  EachHttpHeaderField(header, "Content-Length", [&](const std::string& text) {
    bool digits = !text.empty() && text.size() <= kMaxContentLengthDigits;
    for (char c : text) digits = digits && c >= '0' && c <= '9';
    long long v = digits ? std::strtoll(text.c_str(), nullptr, 10) : -1;
    if (!digits || (seen && v != first)) bad = true;
    if (!seen) first = v;
    seen = true;
    return false;  // look at every field
  });
  if (!seen) return kContentLengthAbsent;
  if (bad) return kContentLengthBad;
  *value = first;
  return kContentLengthOk;
}

bool ParseContentRange(const std::string& value, long long* first, long long* last, long long* total) {
  // "bytes FIRST-LAST/", each number a run of digits short enough for 64 bits.
  auto number = [](const char*& p, long long* out) {
    const char* start = p;
    while (*p >= '0' && *p <= '9') ++p;
    if (p == start || size_t(p - start) > kMaxContentLengthDigits) return false;
    *out = std::strtoll(start, nullptr, 10);
    return true;
  };
  if (value.compare(0, 6, "bytes ") != 0) return false;
  const char* t = value.c_str() + 6;
  while (*t == ' ') ++t;
  if (!number(t, first) || *t++ != '-' || !number(t, last) || *t++ != '/') return false;
  if (std::strcmp(t, "*") == 0) {
    *total = -1;
  } else if (!number(t, total) || *t) {
    return false;
  }
  return *first >= 0 && *last >= *first && (*total < 0 || *last < *total);
}

const char* HttpStatusText(int code) {
  switch (code) {
    case 100: return "Continue";
    case 101: return "Switching Protocols";
    case 200: return "OK";
    case 201: return "Created";
    case 202: return "Accepted";
    case 203: return "Non-Authoritative Information";
    case 204: return "No Content";
    case 205: return "Reset Content";
    case 206: return "Partial Content";
    case 300: return "Multiple Choices";
    case 301: return "Moved Permanently";
    case 302: return "Found";
    case 303: return "See Other";
    case 304: return "Not Modified";
    case 305: return "Use Proxy";
    case 307: return "Temporary Redirect";
    case 400: return "Bad Request";
    case 401: return "Unauthorized";
    case 402: return "Payment Required";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 405: return "Method Not Allowed";
    case 406: return "Not Acceptable";
    case 407: return "Proxy Authentication Required";
    case 408: return "Request Time-out";
    case 409: return "Conflict";
    case 410: return "Gone";
    case 411: return "Length Required";
    case 412: return "Precondition Failed";
    case 413: return "Request Entity Too Large";
    case 414: return "Request-URL Too Large";
    case 415: return "Unsupported Media Type";
    case 416: return "Requested range not satisfiable";
    case 417: return "Expectation Failed";
    case 500: return "Internal Server Error";
    case 501: return "Not Implemented";
    case 502: return "Bad Gateway";
    case 503: return "Service Unavailable";
    case 504: return "Gateway Time-out";
    case 505: return "HTTP Version not supported";
    default: return "Unknown HTTP Error";
  }
}

bool HttpKeepsConnection(const std::string& header) {
  HttpStatusLine status;
  if (!ParseHttpStatusLine(header, &status)) return false;
  bool close = false, keepAlive = false;
  EachHttpListElement(header, "Connection", [&](const std::string& option) {
    if (CaseCompare(option.c_str(), "close") == 0) close = true;
    if (CaseCompare(option.c_str(), "keep-alive") == 0) keepAlive = true;
  });
  if (close) return false;
  return status.major > 1 || (status.major == 1 && status.minor >= 1) || keepAlive;
}
