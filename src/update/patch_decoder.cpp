#include "update/patch_decoder.h"

#include <cstdint>
#include <cstring>
#include <functional>

namespace {

// The command loop shared by every decoder: emit(from, length) appends
// length bytes to the result and returns false when the result has no room
// for them. Returns the result's length, or -1 at the first bad command.
template <typename Emit>
long long DecodeCommands(const unsigned char* old, long long oldLength, const unsigned char* diff, long long diffLength,
                         Emit emit) {
  if (oldLength < 0 || diffLength < 0) return -1;
  const size_t diffSize = static_cast<size_t>(diffLength);
  const int64_t oldSize = oldLength;
  size_t rd = 0;         // read position in diff
  uint64_t written = 0;  // output position
  // Each command moves the source by at most 32768 and adds at most 2^24
  // bytes, so 64-bit positions cannot overflow however long the stream is.
  int64_t src = 0;

  auto copy = [&](int64_t offset, uint64_t length) -> bool {
    src += offset;
    if (length == 0) return true;
    if (src < 0 || src > oldSize || static_cast<uint64_t>(oldSize - src) < length) return false;
    if (!emit(old + src, static_cast<size_t>(length))) return false;
    written += length;
    src += static_cast<int64_t>(length);
    return true;
  };
  auto literal = [&](size_t length) -> bool {
    if (length > diffSize - rd) return false;  // run cut short by the end of the patch
    if (length == 0) return true;
    if (!emit(diff + rd, length)) return false;
    written += length;
    rd += length;
    return true;
  };

  while (rd < diffSize) {
    const unsigned char op = diff[rd++];
    const size_t left = diffSize - rd;
    if (op == 0x00) {
      if (left < 4) return -1;
      const uint64_t length = diff[rd] | (diff[rd + 1] << 8);
      const int16_t offset = static_cast<int16_t>(diff[rd + 2] | (diff[rd + 3] << 8));
      rd += 4;
      if (!copy(offset, length)) return -1;
    } else if (op < 0x80) {
      if (!literal(op)) return -1;
    } else if (op == 0x80) {
      if (left < 1) return -1;
      if (diff[rd] == 0) {
        if (left < 4) return -1;
        const size_t length = diff[rd + 1] | (diff[rd + 2] << 8) | (static_cast<size_t>(diff[rd + 3]) << 16);
        rd += 4;
        if (!literal(length)) return -1;
      } else {
        if (left < 3) return -1;
        const uint64_t length = diff[rd];
        const int16_t offset = static_cast<int16_t>(diff[rd + 1] | (diff[rd + 2] << 8));
        rd += 3;
        if (!copy(offset, length)) return -1;
      }
    } else {
      if (left < 1) return -1;
      const int8_t offset = static_cast<int8_t>(diff[rd]);
      rd += 1;
      if (!copy(offset, op - 0x80u)) return -1;
    }
  }
  return static_cast<long long>(written);
}

}  // namespace

int ApplyDiffs2(const unsigned char* old, const unsigned char* diff, long long oldLength, long long diffLength,
                long long& outLength, unsigned char* out, unsigned long long outCapacity) {
  uint64_t written = 0;
  outLength = DecodeCommands(old, oldLength, diff, diffLength, [&](const unsigned char* from, size_t length) {
    if (length > outCapacity - written) return false;
    std::memcpy(out + written, from, length);
    written += length;
    return true;
  });
  return outLength >= 0 ? 1 : 0;
}

long long StreamDiffs(const unsigned char* old, long long oldLength, const unsigned char* diff, long long diffLength,
                      const std::function<void(const unsigned char*, size_t)>& sink) {
  return DecodeCommands(old, oldLength, diff, diffLength, [&](const unsigned char* from, size_t length) {
    sink(from, length);
    return true;
  });
}

long long PatchResultLength(const unsigned char* diff, long long diffLength) {
  if (diffLength < 0) return -1;
  const size_t size = static_cast<size_t>(diffLength);
  size_t rd = 0;
  long long total = 0;
  while (rd < size) {
    const unsigned char op = diff[rd++];
    const size_t left = size - rd;
    size_t need = 0;  // bytes of this command after its first
    if (op == 0x00) {
      need = 4;
      if (left >= need) total += diff[rd] | (diff[rd + 1] << 8);
    } else if (op < 0x80) {
      need = op;
      total += op;
    } else if (op == 0x80) {
      if (left < 1) return -1;
      if (diff[rd] == 0) {
        if (left < 4) return -1;
        const size_t length = diff[rd + 1] | (diff[rd + 2] << 8) | (static_cast<size_t>(diff[rd + 3]) << 16);
        need = 4 + length;
        total += static_cast<long long>(length);
      } else {
        need = 3;
        total += diff[rd];
      }
    } else {
      need = 1;
      total += op - 0x80;
    }
    if (need > left) return -1;
    rd += need;
  }
  return total;
}
