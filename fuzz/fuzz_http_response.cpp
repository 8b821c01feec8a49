// The response-header side of the download on arbitrary server bytes: the
// input is fed to the header accumulator in pieces whose sizes come from the
// first byte, and a complete header goes through the status, length, range
// and field readers and the .hdr writer and reader; a chunked body is decoded
// in those pieces and in one, which must agree. Results must stay within
// their bounds and agree with each other.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz_runtime.h"
#include "transport/http_chunked.h"
#include "transport/http_header_file.h"
#include "transport/http_response.h"
#include "transport/http_url.h"

QUORVEL_FUZZ_STARTUP

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  size_t piece = 1 + data[0] % 97;
  const char* bytes = reinterpret_cast<const char*>(data + 1);
  size_t n = size - 1;

  HttpHeaderAccumulator acc;
  std::string body;
  bool tooLong = false;
  for (size_t at = 0; at < n;) {
    size_t len = piece < n - at ? piece : n - at;
    if (acc.complete()) {
      body.append(bytes + at, len);
    } else {
      size_t bodyStart = 0;
      HttpHeaderAccumulator::Result r = acc.Feed(bytes + at, len, &bodyStart);
      if (r == HttpHeaderAccumulator::kTooLong) {
        tooLong = true;
        break;
      }
      if (bodyStart > len) abort();
      if (r == HttpHeaderAccumulator::kComplete) body.append(bytes + at + bodyStart, len - bodyStart);
    }
    at += len;
  }
  if (tooLong || !acc.complete()) return 0;
  const std::string& header = acc.header();
  if (header.size() > HttpHeaderAccumulator::kMaxHeader) abort();
  if (header.size() < 4 || header.compare(header.size() - 4, 4, "\r\n\r\n") != 0) abort();
  if (header.find("\r\n\r\n") != header.size() - 4) abort();
  if (header.size() + body.size() != n) abort();

  HttpStatusLine status;
  ParseHttpStatusLine(header, &status);
  long long length = -1;
  if (ParseContentLength(header, &length) == kContentLengthOk && (length < 0 || length >= 1000000000000000000LL))
    abort();
  std::string value;
  if (FindHttpHeaderField(header, "Content-Range", &value)) {
    long long first, last, total;
    if (ParseContentRange(value, &first, &last, &total) && (first < 0 || last < first)) abort();
  }
  std::string hdr = HeaderFileText(header);
  if (hdr.size() > header.size()) abort();
  HeaderFileInfo info = ParseHeaderFileText(hdr);
  if (info.has_content_length && info.content_length < 0) abort();

  if (ClassifyTransferCoding(header) == kTransferChunked) {
    // Decoded in place, piece by piece, as the download does; then in one go.
    HttpChunkedDecoder pieces, whole;
    std::string decoded, coded = body, once = body;
    HttpChunkedDecoder::Result r = HttpChunkedDecoder::kNeedMore;
    size_t used = 0;
    for (size_t at = 0; at < coded.size() && r == HttpChunkedDecoder::kNeedMore;) {
      size_t len = piece < coded.size() - at ? piece : coded.size() - at;
      size_t produced = 0, consumed = 0;
      r = pieces.Feed(&coded[at], len, &coded[at], &produced, &consumed);
      if (consumed > len || produced > consumed) abort();
      if (r == HttpChunkedDecoder::kNeedMore && consumed != len) abort();
      decoded.append(coded, at, produced);
      at += consumed;
      used = at;
    }
    size_t produced = 0, consumed = 0;
    HttpChunkedDecoder::Result r1 = whole.Feed(once.data(), once.size(), once.data(), &produced, &consumed);
    if (r1 != r || (r != HttpChunkedDecoder::kBad &&
                    (consumed != used || once.compare(0, produced, decoded) != 0 || produced != decoded.size())))
      abort();
  }

  // The same bytes as a URL.
  std::string url(bytes, n < 4096 ? n : 4096);
  url = url.c_str();
  HttpUrlParts parts;
  if (SplitUrl(url.data(), &parts)) {
    if (parts.count > kMaxUrlParts || parts.host_index >= parts.count) abort();
    char path[2048];
    BuildRequestPath(parts, data[0] & 1, path, sizeof path);
    char name[256];
    uint16_t port;
    if (SplitHostPort(parts.parts[parts.host_index], name, sizeof name, &port) && port == 0) abort();
  }
  return 0;
}
