// ApplyDiffs2 on arbitrary streams. The first two input bytes choose how much
// of the rest is the old data and how much output room there is; the remainder
// is the patch. A decode must never read or write out of bounds, and a
// success must agree with the length the headers announce.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "fuzz_runtime.h"
#include "update/patch_decoder.h"

QUORVEL_FUZZ_STARTUP

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const size_t rest = size - 2;
  const size_t oldLength = rest * data[0] / 255;
  const unsigned long capacity = data[1] * 97ul;
  // Exact-size heap blocks, so the sanitizer sees any access past either end.
  std::vector<unsigned char> old(data + 2, data + 2 + oldLength);
  std::vector<unsigned char> diff(data + 2 + oldLength, data + size);
  std::vector<unsigned char> out(capacity);
  long long outLength = 0;
  const int ok = ApplyDiffs2(old.data(), diff.data(), static_cast<int>(old.size()), static_cast<int>(diff.size()),
                             outLength, out.data(), capacity);
  if (ok) {
    if (outLength < 0 || static_cast<unsigned long>(outLength) > capacity) abort();
    if (PatchResultLength(diff.data(), static_cast<int>(diff.size())) != outLength) abort();
  } else if (outLength != -1) {
    abort();
  }
  return 0;
}
