// LZSDecode on arbitrary input with an exact-size heap buffer (any write past
// capacity is caught by the address sanitizer), and the encoder's round trip
// on the same bytes.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "fuzz_runtime.h"
#include "transport/lzs.h"

QUORVEL_FUZZ_STARTUP

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  unsigned capacity = (data[0] | data[1] << 8) % 20000;
  const unsigned char* in = data + 2;
  int length = static_cast<int>(size - 2);

  unsigned char* out = static_cast<unsigned char*>(std::malloc(capacity ? capacity : 1));
  int produced = -1;
  int result = LZSDecode(in, out, length, produced, capacity);
  if (produced < 0 || static_cast<unsigned>(produced) > capacity) std::abort();
  if (result == 1 && static_cast<unsigned>(produced) != capacity) std::abort();
  std::free(out);

  std::vector<unsigned char> encoded(LZSWorstCase(length));
  int n = LZSEncode(in, encoded.data(), length);
  if (n < 0 || n > LZSWorstCase(length)) std::abort();
  std::vector<unsigned char> back(length ? length : 1);
  if (LZSDecode(encoded.data(), back.data(), n, produced, length) != 0 || produced != length ||
      std::memcmp(back.data(), in, length) != 0)
    std::abort();
  return 0;
}
