// The chunked transfer coding of an HTTP/1.1 response body: a sequence of
// "SIZE[;extensions]CRLF DATA CRLF" chunks, a last chunk of size 0, optional
// trailer fields and a final CRLF. Works on bytes alone, in any split over
// receive passes; the download feeds it and stores what it yields.
#pragma once

#include <cstddef>
#include <cstdint>

class HttpChunkedDecoder {
 public:
  // A size line holds at most this many hex digits (leading zeros count).
  static constexpr int kMaxSizeDigits = 16;
  // No chunk may announce more than this: far beyond any file of a release,
  // and far below what would overflow a byte count.
  static constexpr uint64_t kMaxChunkSize = uint64_t(1) << 40;
  // Chunk extensions and trailers are skipped, up to this many bytes each in
  // all, so a sender cannot keep the transfer going without data.
  static constexpr size_t kMaxSkipped = 32768;

  enum Result { kNeedMore, kDone, kBad };

  // Decodes the next length bytes of the body. The data bytes go to out,
  // which may be in itself (the output never runs ahead of the input);
  // *produced is their count. *consumed is the input used: all of it unless
  // the body ends (kDone) inside this feed, or it is bad. Feeding after kDone
  // or kBad consumes nothing and returns the same result.
  Result Feed(const char* in, size_t length, char* out, size_t* produced, size_t* consumed);
  // Why the body was refused (kBad), in English.
  const char* error() const { return error_; }
  bool done() const { return step_ == kEnded; }

 private:
  enum Step {
    kSize,          // hex digits of a chunk size
    kSizeTail,      // extensions or blanks after the size, up to CR LF
    kSizeLineFeed,  // the LF after the size line's CR
    kData,          // the chunk's bytes
    kDataCarriage,  // the CR after a chunk's data
    kDataLineFeed,  // the LF after it
    kTrailerStart,  // first byte of a trailer line, or the final CR
    kTrailerLine,   // inside a trailer field, up to CR LF
    kTrailerLineFeed,
    kFinalLineFeed,  // the LF that ends the body
    kEnded,
    kRefused,
  };
  Result Refuse(const char* why);

  Step step_ = kSize;
  int digits_ = 0;
  uint64_t size_ = 0;   // of the chunk being read (kSize) or bytes left of it (kData)
  size_t skipped_ = 0;  // extension and trailer bytes so far
  const char* error_ = "";
};
