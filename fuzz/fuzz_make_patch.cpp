// The encoder against the decoder: the input is split into an old and a new
// file (the first byte chooses where), and the patch made from them must
// decode to exactly the new file with exactly its size as output room.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "fuzz_runtime.h"
#include "update/patch_decoder.h"
#include "update/patch_encoder.h"

QUORVEL_FUZZ_STARTUP

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const size_t rest = size - 1;
  const size_t split = rest * data[0] / 255;
  const std::vector<unsigned char> old(data + 1, data + 1 + split);
  // The new file reuses pieces of the old one so that there is something to find.
  std::vector<unsigned char> neu(data + 1 + split, data + size);
  if (!old.empty() && neu.size() > 4) neu.insert(neu.begin() + neu[0] % neu.size(), old.begin(), old.end());
  const std::vector<unsigned char> patch = MakePatch(old.data(), old.size(), neu.data(), neu.size());
  std::vector<unsigned char> out(neu.size());
  long long outLength = 0;
  if (!ApplyDiffs2(old.data(), patch.data(), static_cast<int>(old.size()), static_cast<int>(patch.size()), outLength,
                   out.data(), out.size()))
    abort();
  if (static_cast<size_t>(outLength) != neu.size() || (outLength && std::memcmp(out.data(), neu.data(), outLength)))
    abort();
  return 0;
}
