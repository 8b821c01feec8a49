// The compressed-file reader on arbitrary files. With the first byte odd, a
// valid header for the size in bytes 1..4 is put in front, so that the block
// reader is reached. A fatal stop is an expected outcome; crashes, reads
// past a buffer and leaks are not.
#include <cstdint>
#include <cstdio>
#include <vector>

#include "fuzz_runtime.h"
#include "transport/compressed_file.h"

QUORVEL_FUZZ_STARTUP

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 5) return 0;
  std::vector<unsigned char> file;
  if (data[0] & 1) {
    uint32_t total = (data[1] | data[2] << 8 | data[3] << 16 | static_cast<uint32_t>(data[4]) << 24) % 200000;
    file.resize(kCompressedHeaderSize);
    MakeCompressedHeader(total, file.data());
    file.insert(file.end(), data + 5, data + size);
  } else {
    file.assign(data + 1, data + size);
  }
  FILE* f = fmemopen(file.data(), file.size(), "rb");
  if (!f) return 0;
  if (!CheckIfCompressed(f)) {
    std::fclose(f);
    return 0;
  }
  FuzzUntilFail([&] {
    CompressedFileHandle handle(f);
    unsigned char buf[5000];
    for (int step = 0;; ++step) {
      if (step % 3 == 0) {
        if (handle.GetC() < 0) break;
      } else if (handle.Read(buf, 1 + (step * 977) % sizeof buf) == 0) {
        break;
      }
    }
  });
  return 0;
}
