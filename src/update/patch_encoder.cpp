#include "update/patch_encoder.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace {

constexpr int64_t kMaxOffset16 = 32767;
constexpr int64_t kMinOffset16 = -32768;
constexpr size_t kMaxCopy = 65535;
constexpr size_t kMaxLongLiteral = 0xFFFFFF;
// Up to this many literal bytes, one-byte headers (one per 127 bytes, at most
// four) cost less than the five-byte long form.
constexpr size_t kShortLiteralLimit = 4 * 127;

// Cost of one copy command of length 1..65535 at the given in-range offset.
size_t OneCopyCost(int64_t offset, size_t length) {
  if (length <= 127 && offset >= -128 && offset <= 127) return 2;
  if (length <= 255) return 4;
  return 5;
}

}  // namespace

size_t PatchCommandWriter::LiteralCost(size_t n) {
  size_t cost = 0;
  while (n > kShortLiteralLimit) {
    const size_t chunk = std::min(n, kMaxLongLiteral);
    cost += 5 + chunk;
    n -= chunk;
  }
  return cost + n + (n + 126) / 127;
}

size_t PatchCommandWriter::CopyCost(int64_t offset, size_t length) {
  size_t cost = 0;
  if (offset > kMaxOffset16) {
    const int64_t hops = (offset - kMaxOffset16 + kMaxOffset16 - 1) / kMaxOffset16;
    cost += 5 * hops;
    offset -= hops * kMaxOffset16;
  } else if (offset < kMinOffset16) {
    const int64_t hops = (kMinOffset16 - offset + (-kMinOffset16) - 1) / (-kMinOffset16);
    cost += 5 * hops;
    offset -= hops * kMinOffset16;
  }
  if (length == 0) return cost + (offset != 0 ? 5 : 0);
  const size_t full = length / kMaxCopy;
  const size_t rest = length % kMaxCopy;
  if (full == 0) return cost + OneCopyCost(offset, rest);
  cost += 5 * full;
  if (rest) cost += OneCopyCost(0, rest);
  return cost;
}

void PatchCommandWriter::Put16(unsigned v) {
  out_.push_back(static_cast<unsigned char>(v & 0xFF));
  out_.push_back(static_cast<unsigned char>((v >> 8) & 0xFF));
}

void PatchCommandWriter::Literal(const unsigned char* bytes, size_t n) {
  while (n > kShortLiteralLimit) {
    const size_t chunk = std::min(n, kMaxLongLiteral);
    out_.push_back(0x80);
    out_.push_back(0x00);
    out_.push_back(static_cast<unsigned char>(chunk & 0xFF));
    out_.push_back(static_cast<unsigned char>((chunk >> 8) & 0xFF));
    out_.push_back(static_cast<unsigned char>((chunk >> 16) & 0xFF));
    out_.insert(out_.end(), bytes, bytes + chunk);
    bytes += chunk;
    n -= chunk;
  }
  while (n > 0) {
    const size_t chunk = std::min<size_t>(n, 127);
    out_.push_back(static_cast<unsigned char>(chunk));
    out_.insert(out_.end(), bytes, bytes + chunk);
    bytes += chunk;
    n -= chunk;
  }
}

void PatchCommandWriter::Copy(int64_t from, size_t length) {
  int64_t offset = from - src_;
  // Far jumps: zero-length copies move the source by at most one 16-bit
  // offset each.
  while (offset > kMaxOffset16 || offset < kMinOffset16 || (length == 0 && offset != 0)) {
    const int64_t step = std::clamp(offset, kMinOffset16, kMaxOffset16);
    out_.push_back(0x00);
    Put16(0);
    Put16(static_cast<unsigned>(step) & 0xFFFF);
    offset -= step;
    src_ += step;
  }
  while (length > 0) {
    const size_t chunk = std::min(length, kMaxCopy);
    if (chunk <= 127 && offset >= -128 && offset <= 127) {
      out_.push_back(static_cast<unsigned char>(0x80 + chunk));
      out_.push_back(static_cast<unsigned char>(offset & 0xFF));
    } else if (chunk <= 255) {
      out_.push_back(0x80);
      out_.push_back(static_cast<unsigned char>(chunk));
      Put16(static_cast<unsigned>(offset) & 0xFFFF);
    } else {
      out_.push_back(0x00);
      Put16(static_cast<unsigned>(chunk));
      Put16(static_cast<unsigned>(offset) & 0xFFFF);
    }
    src_ += offset + static_cast<int64_t>(chunk);
    offset = 0;
    length -= chunk;
  }
}

namespace {

constexpr size_t kWindow = 16;      // bytes hashed per indexed position
constexpr int kMaxChain = 24;       // indexed candidates tried per position
constexpr size_t kGoodMatch = 256;  // a candidate this long ends the search
constexpr int64_t kMinGain = 2;     // bytes a copy must save over literals

inline uint64_t Load64(const unsigned char* p) {
  uint64_t v;
  std::memcpy(&v, p, 8);
  return v;
}

inline uint32_t HashWindow(const unsigned char* p, int bits) {
  uint64_t h = Load64(p) * 0x9E3779B97F4A7C15ull;
  h ^= Load64(p + 8) * 0xC2B2AE3D27D4EB4Full;
  h ^= h >> 31;
  h *= 0xD6E8FEB86659FD93ull;
  return static_cast<uint32_t>(h >> (64 - bits));
}

// Length of the common prefix of a and b, at most limit.
inline size_t MatchForward(const unsigned char* a, const unsigned char* b, size_t limit) {
  size_t n = 0;
  while (n + 8 <= limit) {
    const uint64_t x = Load64(a + n) ^ Load64(b + n);
    if (x) return n + (__builtin_ctzll(x) >> 3);
    n += 8;
  }
  while (n < limit && a[n] == b[n]) ++n;
  return n;
}

// Hash chains over every step-th window of the old data, newest first.
class OldIndex {
 public:
  OldIndex(const unsigned char* old, size_t length) {
    if (length < kWindow) return;
    step_ = length <= (8u << 20) ? 1 : length <= (24u << 20) ? 2 : 4;
    const size_t slots = (length - kWindow) / step_ + 1;
    bits_ = 10;
    while ((size_t{1} << bits_) < slots && bits_ < 28) ++bits_;
    head_.assign(size_t{1} << bits_, 0);
    prev_.assign(slots, 0);
    for (size_t slot = 0; slot < slots; ++slot) {
      const size_t pos = slot * step_;
      // Inside a run that repeats with the step's period, only the run's
      // first window is indexed; the match is extended across the run anyway
      // and the chains stay short.
      if (pos >= step_ && Load64(old + pos) == Load64(old + pos - step_) &&
          Load64(old + pos + 8) == Load64(old + pos - step_ + 8))
        continue;
      const uint32_t h = HashWindow(old + pos, bits_);
      prev_[slot] = head_[h];
      head_[h] = static_cast<uint32_t>(slot + 1);
    }
  }
  // First entry of the chain for the window at p (0: none).
  uint32_t First(const unsigned char* p) const { return head_[HashWindow(p, bits_)]; }
  uint32_t Next(uint32_t entry) const { return prev_[entry - 1]; }
  size_t Position(uint32_t entry) const { return size_t{entry - 1} * step_; }

 private:
  size_t step_ = 1;
  int bits_ = 0;
  std::vector<uint32_t> head_;
  std::vector<uint32_t> prev_;
};

struct Candidate {
  size_t start = 0;  // in new data
  size_t from = 0;   // in old data
  size_t length = 0;
  int64_t gain = 0;
};

}  // namespace

std::vector<unsigned char> MakePatch(const unsigned char* old, size_t oldLength, const unsigned char* newData,
                                     size_t newLength) {
  std::vector<unsigned char> patch;
  patch.reserve(newLength / 16 + 64);
  PatchCommandWriter writer(patch);
  // Built on the first position where the old data does not simply go on,
  // so that identical or appended-to files cost no indexing.
  std::unique_ptr<OldIndex> index;

  size_t litStart = 0;  // first new byte not yet covered by a command
  size_t i = 0;
  Candidate best;

  // Extends a match of new[i] with old[p] both ways (backwards only into the
  // pending literal run) and keeps it when it saves more than the best so far.
  auto consider = [&](size_t p) {
    if (p >= oldLength) return;
    const size_t fwd = MatchForward(newData + i, old + p, std::min(newLength - i, oldLength - p));
    if (fwd == 0) return;
    size_t back = 0;
    const size_t maxBack = std::min(i - litStart, p);
    while (back < maxBack && newData[i - back - 1] == old[p - back - 1]) ++back;
    const size_t length = fwd + back;
    const int64_t from = static_cast<int64_t>(p - back);
    const int64_t offset = from - writer.SourcePosition();
    int64_t cost = static_cast<int64_t>(PatchCommandWriter::CopyCost(offset, length));
    // A far jump is usually followed by a jump back; count both.
    if (offset > kMaxOffset16 || offset < kMinOffset16) cost += cost - static_cast<int64_t>(OneCopyCost(0, 1));
    const int64_t gain = static_cast<int64_t>(length) - cost;
    if (gain > best.gain || (gain == best.gain && length > best.length)) {
      best.start = i - back;
      best.from = p - back;
      best.length = length;
      best.gain = gain;
    }
  };

  while (i < newLength) {
    best = Candidate{};
    const int64_t src = writer.SourcePosition();
    // Where the old data most likely continues: straight on (bytes were
    // inserted), or as far on as the pending run is long (bytes were replaced).
    const int64_t replaced = src + static_cast<int64_t>(i - litStart);
    if (replaced >= 0) consider(static_cast<size_t>(replaced));
    if (i != litStart && src >= 0) consider(static_cast<size_t>(src));
    if (best.length < kGoodMatch && oldLength >= kWindow && i + kWindow <= newLength) {
      if (!index) index = std::make_unique<OldIndex>(old, oldLength);
      int chain = 0;
      for (uint32_t e = index->First(newData + i); e && chain < kMaxChain; e = index->Next(e), ++chain) {
        const size_t p = index->Position(e);
        if (static_cast<int64_t>(p) == replaced || static_cast<int64_t>(p) == src) continue;
        consider(p);
        if (best.length >= kGoodMatch && best.gain + 8 >= static_cast<int64_t>(best.length)) break;
      }
    }
    if (best.gain < kMinGain) {
      ++i;
      continue;
    }
    writer.Literal(newData + litStart, best.start - litStart);
    writer.Copy(static_cast<int64_t>(best.from), best.length);
    i = best.start + best.length;
    litStart = i;
  }
  writer.Literal(newData + litStart, newLength - litStart);
  return patch;
}
