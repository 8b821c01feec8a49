// The LZS codec. The encoder does greedy parsing with a binary search tree of the 18-byte
// strings starting at each ring position (one tree per first byte). The tree
// walk, its tie-breaks and the handling of the stream's end are fixed, so the
// output is reproducible byte for byte and other encoders of the same scheme
// can be compared against it.
#include "transport/lzs.h"

#include <cstring>

namespace {
constexpr int N = kLZSRingSize;
constexpr int F = kLZSMaxMatch;
constexpr int kThreshold = kLZSMinMatch - 1;  // longest match still sent as literals
}  // namespace

// Inserts the string at r into its tree and records the longest match met
// on the way (a later node wins only when strictly longer). A full-length
// match replaces the old node by r, since r is the more recent copy.
void LZSStreamEncoder::InsertNode(int r) {
  int cmp = 1;
  const unsigned char* key = &text_[r];
  int p = N + 1 + key[0];
  rson_[r] = lson_[r] = kNil;
  matchLength_ = 0;
  for (;;) {
    if (cmp >= 0) {
      if (rson_[p] != kNil) {
        p = rson_[p];
      } else {
        rson_[p] = r;
        dad_[r] = p;
        return;
      }
    } else {
      if (lson_[p] != kNil) {
        p = lson_[p];
      } else {
        lson_[p] = r;
        dad_[r] = p;
        return;
      }
    }
    int i;
    const unsigned char* other = &text_[p];
    for (i = 1; i < F; ++i)
      if ((cmp = key[i] - other[i]) != 0) break;
    if (i > matchLength_) {
      matchPosition_ = p;
      if ((matchLength_ = i) >= F) break;
    }
  }
  dad_[r] = dad_[p];
  lson_[r] = lson_[p];
  rson_[r] = rson_[p];
  dad_[lson_[p]] = r;
  dad_[rson_[p]] = r;
  if (rson_[dad_[p]] == p) rson_[dad_[p]] = r;
  else lson_[dad_[p]] = r;
  dad_[p] = kNil;
}

void LZSStreamEncoder::DeleteNode(int p) {
  if (dad_[p] == kNil) return;
  int q;
  if (rson_[p] == kNil) {
    q = lson_[p];
  } else if (lson_[p] == kNil) {
    q = rson_[p];
  } else {
    q = lson_[p];
    if (rson_[q] != kNil) {
      do {
        q = rson_[q];
      } while (rson_[q] != kNil);
      rson_[dad_[q]] = lson_[q];
      dad_[lson_[q]] = dad_[q];
      lson_[q] = lson_[p];
      dad_[lson_[p]] = q;
    }
    rson_[q] = rson_[p];
    dad_[rson_[p]] = q;
  }
  dad_[q] = dad_[p];
  if (rson_[dad_[p]] == p) rson_[dad_[p]] = q;
  else lson_[dad_[p]] = q;
  dad_[p] = kNil;
}

// Fills the look-ahead and the trees of the fixed starting ring. Bytes past
// the look-ahead of a short input take part in the tree order, so the whole
// ring starts in a fixed state: spaces, then zeros.
void LZSStreamEncoder::Start(const unsigned char*& in, const unsigned char* inEnd) {
  started_ = true;
  std::memset(text_, 0, sizeof text_);
  for (int i = N + 1; i <= N + 256; ++i) rson_[i] = kNil;
  for (int i = 0; i < N; ++i) dad_[i] = kNil;
  code_[0] = 0;
  codePtr_ = 1;
  mask_ = 1;
  s_ = 0;
  r_ = N - F;
  std::memset(text_, ' ', r_);
  for (len_ = 0; len_ < F && in < inEnd; ++len_) text_[r_ + len_] = *in++;
  if (len_ == 0) return;
  for (int i = 1; i <= F; ++i) InsertNode(r_ - i);
  InsertNode(r_);
}

// One item per step. A step reads up to F bytes past the look-ahead, so
// before the last piece a step is taken only when F bytes are at hand: the
// steps, and so the output, are then the same however the stream is cut.
size_t LZSStreamEncoder::Encode(const unsigned char* source, size_t n, bool last, unsigned char* destination,
                                size_t& written) {
  const unsigned char* in = source;
  const unsigned char* inEnd = source + n;
  unsigned char* out = destination;
  written = 0;
  if (!started_) {
    if (!last && n < static_cast<size_t>(F)) return 0;
    Start(in, inEnd);
  }
  // The hot scalars live in locals: destination may alias any member as far
  // as the compiler knows.
  int s = s_, r = r_, len = len_, codePtr = codePtr_;
  unsigned char mask = mask_;
  while (len > 0 && (last || inEnd - in >= F)) {
    if (matchLength_ > len) matchLength_ = len;
    if (matchLength_ <= kThreshold) {
      matchLength_ = 1;
      code_[0] |= mask;
      code_[codePtr++] = text_[r];
    } else {
      code_[codePtr++] = static_cast<unsigned char>(matchPosition_);
      code_[codePtr++] = static_cast<unsigned char>(((matchPosition_ >> 4) & 0xF0) | (matchLength_ - (kThreshold + 1)));
    }
    mask = static_cast<unsigned char>(mask << 1);
    if (mask == 0) {
      std::memcpy(out, code_, codePtr);
      out += codePtr;
      code_[0] = 0;
      codePtr = 1;
      mask = 1;
    }
    const int lastMatchLength = matchLength_;
    int i;
    for (i = 0; i < lastMatchLength && in < inEnd; ++i) {
      unsigned char c = *in++;
      DeleteNode(s);
      text_[s] = c;
      if (s < F - 1) text_[s + N] = c;
      s = (s + 1) & (N - 1);
      r = (r + 1) & (N - 1);
      InsertNode(r);
    }
    while (i++ < lastMatchLength) {
      DeleteNode(s);
      s = (s + 1) & (N - 1);
      r = (r + 1) & (N - 1);
      if (--len) InsertNode(r);
    }
  }
  if (last && codePtr > 1) {
    std::memcpy(out, code_, codePtr);
    out += codePtr;
    codePtr = 1;
  }
  s_ = s;
  r_ = r;
  len_ = len;
  codePtr_ = codePtr;
  mask_ = mask;
  written = static_cast<size_t>(out - destination);
  return static_cast<size_t>(in - source);
}

int LZSEncode(const unsigned char* source, unsigned char* destination, int length) {
  LZSStreamEncoder encoder;
  size_t written = 0;
  encoder.Encode(source, length > 0 ? static_cast<size_t>(length) : 0, true, destination, written);
  return static_cast<int>(written);
}

LZSStreamDecoder::LZSStreamDecoder() {
  std::memset(ring_, ' ', N - F);
  std::memset(ring_ + N - F, 0, F);
}

bool LZSStreamDecoder::Decode(const unsigned char*& source, const unsigned char* sourceEnd, unsigned char*& destination,
                              unsigned char* destinationEnd) {
  const unsigned char* in = source;
  unsigned char* out = destination;
  // Locals for the hot state, written back on the way out: destination may
  // alias the ring as far as the compiler knows.
  unsigned r = r_, flags = flags_, position = matchPosition_, left = matchLeft_;
  bool inputUsed = true;
  for (;;) {
    if (left > 0) {
      unsigned count = left;
      if (static_cast<size_t>(destinationEnd - out) < count) count = static_cast<unsigned>(destinationEnd - out);
      for (unsigned k = 0; k < count; ++k) {
        const unsigned char c = ring_[position];
        position = (position + 1) & (N - 1);
        *out++ = c;
        ring_[r] = c;
        r = (r + 1) & (N - 1);
      }
      left -= count;
      if (left > 0) {
        inputUsed = false;
        break;
      }
    }
    if (((flags >>= 1) & 0x100) == 0) {
      if (in == sourceEnd) {
        flags = 0;  // the next piece starts with a flag byte
        break;
      }
      flags = 0xFF00u | *in++;
    }
    if (flags & 1) {
      if (in == sourceEnd || out == destinationEnd) {
        inputUsed = in == sourceEnd;
        flags <<= 1;  // undo the shift: this item is still to come
        break;
      }
      const unsigned char c = *in++;
      *out++ = c;
      ring_[r] = c;
      r = (r + 1) & (N - 1);
    } else {
      if (in == sourceEnd) {
        flags <<= 1;
        break;
      }
      if (held_ < 0 && sourceEnd - in < 2) {
        held_ = *in++;
        flags <<= 1;
        break;
      }
      const unsigned first = held_ >= 0 ? static_cast<unsigned>(held_) : *in++;
      const unsigned second = *in++;
      held_ = -1;
      position = first | ((second & 0xF0u) << 4);
      left = (second & 0x0Fu) + kLZSMinMatch;
    }
  }
  r_ = r;
  flags_ = flags;
  matchPosition_ = position;
  matchLeft_ = left;
  source = in;
  destination = out;
  return inputUsed;
}

int LZSDecode(const unsigned char* source, unsigned char* destination, int sourceLength, int& produced,
              unsigned capacity) {
  LZSStreamDecoder decoder;
  const unsigned char* in = source;
  unsigned char* out = destination;
  const bool used = decoder.Decode(in, source + (sourceLength > 0 ? sourceLength : 0), out, destination + capacity);
  produced = static_cast<int>(out - destination);
  return used ? 0 : 1;
}
