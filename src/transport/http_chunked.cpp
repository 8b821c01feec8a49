#include "transport/http_chunked.h"

#include <cstring>

namespace {
int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}
}  // namespace

HttpChunkedDecoder::Result HttpChunkedDecoder::Refuse(const char* why) {
  step_ = kRefused;
  error_ = why;
  return kBad;
}

// Line ends inside the coding are CR LF; a bare LF is taken as well, as
// lenient readers do, but a CR must be followed by LF.
HttpChunkedDecoder::Result HttpChunkedDecoder::Feed(const char* in, size_t length, char* out, size_t* produced,
                                                    size_t* consumed) {
  *produced = 0;
  *consumed = 0;
  if (step_ == kEnded) return kDone;
  if (step_ == kRefused) return kBad;
  size_t i = 0, o = 0;
  while (i < length) {
    if (step_ == kData) {
      size_t take = length - i;
      if (uint64_t(take) > size_) take = size_t(size_);
      std::memmove(out + o, in + i, take);
      o += take;
      i += take;
      size_ -= take;
      if (size_ == 0) step_ = kDataCarriage;
      continue;
    }
    char c = in[i++];
    switch (step_) {
      case kSize: {
        int v = HexValue(c);
        if (v >= 0) {
          if (++digits_ > kMaxSizeDigits) return Refuse("a chunk size line has too many digits");
          size_ = size_ * 16 + uint64_t(v);
          if (size_ > kMaxChunkSize) return Refuse("a chunk is larger than the bound");
          break;
        }
        if (digits_ == 0) return Refuse("a chunk size line does not start with a hex number");
        if (c == '\r') {
          step_ = kSizeLineFeed;
        } else if (c == '\n') {
          --i;
          step_ = kSizeLineFeed;
        } else if (c == ';' || c == ' ' || c == '\t') {
          step_ = kSizeTail;
        } else {
          return Refuse("a chunk size line holds a character that is not hex");
        }
        break;
      }
      case kSizeTail:
        if (c == '\r' || c == '\n') {
          if (c == '\n') --i;
          step_ = kSizeLineFeed;
        } else if (++skipped_ > kMaxSkipped) {
          return Refuse("chunk extensions are too long");
        }
        break;
      case kSizeLineFeed:
        if (c != '\n') return Refuse("a chunk size line does not end with a line end");
        digits_ = 0;
        step_ = size_ ? kData : kTrailerStart;
        break;
      case kDataCarriage:
        if (c == '\n') {
          --i;
          step_ = kDataLineFeed;
        } else if (c == '\r') {
          step_ = kDataLineFeed;
        } else {
          return Refuse("a chunk runs past its announced size");
        }
        break;
      case kDataLineFeed:
        if (c != '\n') return Refuse("a chunk runs past its announced size");
        step_ = kSize;
        break;
      case kTrailerStart:
        if (c == '\r') {
          step_ = kFinalLineFeed;
        } else if (c == '\n') {
          --i;
          step_ = kFinalLineFeed;
        } else {
          if (++skipped_ > kMaxSkipped) return Refuse("the trailer fields are too long");
          step_ = kTrailerLine;
        }
        break;
      case kTrailerLine:
        if (c == '\r' || c == '\n') {
          if (c == '\n') --i;
          step_ = kTrailerLineFeed;
        } else if (++skipped_ > kMaxSkipped) {
          return Refuse("the trailer fields are too long");
        }
        break;
      case kTrailerLineFeed:
        if (c != '\n') return Refuse("a trailer field does not end with a line end");
        step_ = kTrailerStart;
        break;
      case kFinalLineFeed:
        if (c != '\n') return Refuse("the chunked body does not end with a line end");
        step_ = kEnded;
        *produced = o;
        *consumed = i;
        return kDone;
      default: break;
    }
  }
  *produced = o;
  *consumed = i;
  return kNeedMore;
}
