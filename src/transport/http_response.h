// Reading an HTTP response header: finding its end across receive passes,
// the status line, and the fields the download uses.
#pragma once

#include <cstddef>
#include <string>

// Collects the start of a response until the blank line that ends the
// header, however the bytes are split over receive passes. Bounded: a header
// that has not ended within kMaxHeader bytes is refused.
class HttpHeaderAccumulator {
 public:
  static constexpr size_t kMaxHeader = 32768;
  enum Result { kNeedMore, kComplete, kTooLong };

  // Feeds the next bytes. On kComplete, *bodyStart is the offset in this
  // feed's data where the body begins. Feeding after completion is an error
  // of the caller and returns kComplete with *bodyStart 0.
  Result Feed(const char* data, size_t length, size_t* bodyStart);
  bool complete() const { return complete_; }
  // The header: status line through the blank line ("\r\n\r\n" included).
  const std::string& header() const { return buffer_; }
  void Reset();

 private:
  std::string buffer_;
  bool complete_ = false;
};

struct HttpStatusLine {
  int major = 0, minor = 0, code = 0;
};
// Reads "HTTP/%d.%d %d" from the first 128 bytes. False when it is not there.
bool ParseHttpStatusLine(const std::string& header, HttpStatusLine* status);

// The value of a header field (name matched without regard to case, at the
// start of a line), leading and trailing blanks removed. False when absent.
bool FindHttpHeaderField(const std::string& header, const char* name, std::string* value);
// The same for field lines alone, without a status line (a stored ".hdr").
bool FindHttpField(const std::string& lines, const char* name, std::string* value);

// How the body is framed, from every Transfer-Encoding field together
// (codings compared without regard to case, parameters ignored): no coding
// but "identity"; chunked, once and last, with nothing else but identity; or
// anything else, which this program cannot turn back into the file's bytes.
enum HttpTransferCoding { kTransferIdentity, kTransferChunked, kTransferUnsupported };
HttpTransferCoding ClassifyTransferCoding(const std::string& header);

enum ContentLengthResult { kContentLengthAbsent, kContentLengthBad, kContentLengthOk };
// The Content-Length field: absent, unreadable (not a non-negative decimal
// of at most kMaxContentLengthDigits digits), or its value.
ContentLengthResult ParseContentLength(const std::string& header, long long* value);
// 18 digits: any length below 10^18 bytes, beyond any file system, with room
// left in 64 bits for the sums and percentages made of it.
constexpr size_t kMaxContentLengthDigits = 18;

// "Content-Range: bytes FIRST-LAST/TOTAL" (TOTAL may be "*", given as -1);
// each number of at most kMaxContentLengthDigits digits.
bool ParseContentRange(const std::string& value, long long* first, long long* last, long long* total);

// The reason text of a status code, "Unknown HTTP Error" for codes not in the table.
const char* HttpStatusText(int code);

// Whether the server keeps the connection open after this answer: HTTP/1.1
// unless a Connection field lists "close"; HTTP/1.0 only when one lists
// "keep-alive". A header whose status line cannot be read keeps nothing.
bool HttpKeepsConnection(const std::string& header);
