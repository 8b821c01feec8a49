// Fuzzes VSNPrintF with formats from outside (translations are formats). The
// first byte is the output size; the rest, terminated, is the format. Every
// argument is a pointer to a short string, which serves every letter on this
// platform (an int directive reads the low half of the slot). Formats that
// the formatter refuses end through Fail, which is caught here; the output
// buffer is exactly its size, so a write past it is caught by the sanitizer.
#include <cstdint>
#include <cstring>
#include <vector>

#include "foundation/print_format.h"
#include "fuzz_runtime.h"

QUORVEL_FUZZ_STARTUP

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  size_t outSize = data[0];
  std::vector<char> format(data + 1, data + size);
  format.insert(format.end(), 4, '\0');
  std::vector<char> out(outSize);
  static const char arg[] =
      "ab\x01\x01"
      "c\0\0";
  const char* a = arg;
  FuzzUntilFail([&] {
    SNPrintF(out.data(), outSize, format.data(), a, a, a, a, a, a, a, a, a, a, a, a, a, a, a, a);
    // The result is terminated inside the buffer (reading past it is caught
    // by the sanitizer).
    if (outSize && StrBytes(out.data()) > outSize) __builtin_trap();
  });
  return 0;
}
