// The LZS codec. The encoder does greedy parsing with a binary search tree of the 18-byte
// strings starting at each ring position (one tree per first byte). The tree
// walk, its tie-breaks and the handling of the stream's end are fixed, so the
// output is reproducible byte for byte and other encoders of the same scheme
// can be compared against it.
#include <cstring>

#include "transport/lzs.h"

namespace {
constexpr int N = kLZSRingSize;
constexpr int F = kLZSMaxMatch;
constexpr int kThreshold = kLZSMinMatch - 1;  // longest match still sent as literals
constexpr int NIL = N;                        // the null link

// All encoder state for one call. About 50 KB; lives on the caller's stack.
struct LZSEncoder {
  // The ring plus a guard of F-1 bytes mirroring positions 0..F-2, so that
  // string comparisons near the end never wrap.
  unsigned char text[N + F - 1];
  int lson[N + 1];
  int rson[N + 257];  // N+1 .. N+256 are the tree roots, one per first byte
  int dad[N + 1];
  int matchPosition;
  int matchLength;

  void InitTree() {
    for (int i = N + 1; i <= N + 256; ++i) rson[i] = NIL;
    for (int i = 0; i < N; ++i) dad[i] = NIL;
  }

  // Inserts the string at r into its tree and records the longest match met
  // on the way (a later node wins only when strictly longer). A full-length
  // match replaces the old node by r, since r is the more recent copy.
  void InsertNode(int r) {
    int cmp = 1;
    const unsigned char* key = &text[r];
    int p = N + 1 + key[0];
    rson[r] = lson[r] = NIL;
    matchLength = 0;
    for (;;) {
      if (cmp >= 0) {
        if (rson[p] != NIL) {
          p = rson[p];
        } else {
          rson[p] = r;
          dad[r] = p;
          return;
        }
      } else {
        if (lson[p] != NIL) {
          p = lson[p];
        } else {
          lson[p] = r;
          dad[r] = p;
          return;
        }
      }
      int i;
      const unsigned char* other = &text[p];
      for (i = 1; i < F; ++i)
        if ((cmp = key[i] - other[i]) != 0) break;
      if (i > matchLength) {
        matchPosition = p;
        if ((matchLength = i) >= F) break;
      }
    }
    dad[r] = dad[p];
    lson[r] = lson[p];
    rson[r] = rson[p];
    dad[lson[p]] = r;
    dad[rson[p]] = r;
    if (rson[dad[p]] == p) rson[dad[p]] = r;
    else lson[dad[p]] = r;
    dad[p] = NIL;
  }

  void DeleteNode(int p) {
    if (dad[p] == NIL) return;
    int q;
    if (rson[p] == NIL) {
      q = lson[p];
    } else if (lson[p] == NIL) {
      q = rson[p];
    } else {
      q = lson[p];
      if (rson[q] != NIL) {
        do {
          q = rson[q];
        } while (rson[q] != NIL);
        rson[dad[q]] = lson[q];
        dad[lson[q]] = dad[q];
        lson[q] = lson[p];
        dad[lson[p]] = q;
      }
      rson[q] = rson[p];
      dad[rson[p]] = q;
    }
    dad[q] = dad[p];
    if (rson[dad[p]] == p) rson[dad[p]] = q;
    else lson[dad[p]] = q;
    dad[p] = NIL;
  }

  int Encode(const unsigned char* in, unsigned char* out, int length) {
    const unsigned char* inEnd = in + (length > 0 ? length : 0);
    unsigned char* start = out;
    // Bytes past the look-ahead of a short input take part in the tree order,
    // so the whole ring starts in a fixed state: spaces, then zeros.
    std::memset(text, 0, sizeof text);
    InitTree();
    unsigned char code[17];
    code[0] = 0;
    int codePtr = 1;
    unsigned char mask = 1;
    int s = 0, r = N - F;
    std::memset(text, ' ', r);
    int len;
    for (len = 0; len < F && in < inEnd; ++len) text[r + len] = *in++;
    if (len == 0) return 0;
    for (int i = 1; i <= F; ++i) InsertNode(r - i);
    InsertNode(r);
    do {
      if (matchLength > len) matchLength = len;
      if (matchLength <= kThreshold) {
        matchLength = 1;
        code[0] |= mask;
        code[codePtr++] = text[r];
      } else {
        code[codePtr++] = static_cast<unsigned char>(matchPosition);
        code[codePtr++] =
            static_cast<unsigned char>(((matchPosition >> 4) & 0xF0) | (matchLength - (kThreshold + 1)));
      }
      mask = static_cast<unsigned char>(mask << 1);
      if (mask == 0) {
        std::memcpy(out, code, codePtr);
        out += codePtr;
        code[0] = 0;
        codePtr = 1;
        mask = 1;
      }
      int lastMatchLength = matchLength;
      int i;
      for (i = 0; i < lastMatchLength && in < inEnd; ++i) {
        unsigned char c = *in++;
        DeleteNode(s);
        text[s] = c;
        if (s < F - 1) text[s + N] = c;
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
    } while (len > 0);
    if (codePtr > 1) {
      std::memcpy(out, code, codePtr);
      out += codePtr;
    }
    return static_cast<int>(out - start);
  }
};
}  // namespace

int LZSEncode(const unsigned char* source, unsigned char* destination, int length) {
  LZSEncoder encoder;
  return encoder.Encode(source, destination, length);
}

int LZSDecode(const unsigned char* source, unsigned char* destination, int sourceLength, int& produced,
              unsigned capacity) {
  unsigned char ring[N];
  std::memset(ring, ' ', N - F);
  std::memset(ring + N - F, 0, F);
  const unsigned char* in = source;
  const unsigned char* inEnd = source + (sourceLength > 0 ? sourceLength : 0);
  unsigned char* out = destination;
  unsigned char* outEnd = destination + capacity;
  unsigned r = N - F;
  unsigned flags = 0;
  int result = 0;
  for (;;) {
    if (((flags >>= 1) & 0x100) == 0) {
      if (in == inEnd) break;
      flags = 0xFF00u | *in++;
    }
    if (flags & 1) {
      if (in == inEnd) break;
      if (out == outEnd) {
        result = 1;
        break;
      }
      unsigned char c = *in++;
      *out++ = c;
      ring[r] = c;
      r = (r + 1) & (N - 1);
    } else {
      if (inEnd - in < 2) break;
      unsigned position = in[0] | ((in[1] & 0xF0u) << 4);
      unsigned count = (in[1] & 0x0Fu) + kLZSMinMatch;
      in += 2;
      if (static_cast<unsigned>(outEnd - out) < count) {
        // Deliver what fits, then report the overflow.
        count = static_cast<unsigned>(outEnd - out);
        result = 1;
      }
      for (unsigned k = 0; k < count; ++k) {
        unsigned char c = ring[(position + k) & (N - 1)];
        *out++ = c;
        ring[r] = c;
        r = (r + 1) & (N - 1);
      }
      if (result) break;
    }
  }
  produced = static_cast<int>(out - destination);
  return result;
}
