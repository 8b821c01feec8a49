// Fuzzes the language-file loader and the lookups on what it loaded. The first
// byte picks the language; the rest is the file. Every line of the file is
// then looked up as a text, so bracketed parameters, typed wildcards and
// "%N" references in translations are exercised too, and so is the directive
// reader that decides whether a translated format may be used. A translation
// with a bad reference ends through Fail, which is caught here.
#include <cstdint>
#include <cstring>
#include <vector>

#include "foundation/language_catalogue.h"
#include "foundation/translated_format.h"
#include "fuzz_runtime.h"

QUORVEL_FUZZ_STARTUP

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  static const char* const kLanguages[] = {"FRENCH", "backwards", "ENGLISH", "JP"};
  const char* language = kLanguages[data[0] & 3];
  const char* file = reinterpret_cast<const char*>(data + 1);
  size_t length = size - 1;

  FuzzUntilFail([&] {
    LoadLanguageCatalogue(file, length, language);
    size_t start = 0, lookups = 0;
    while (start < length && lookups < 64) {
      const void* lf = std::memchr(file + start, '\n', length - start);
      size_t end = lf ? static_cast<size_t>(static_cast<const char*>(lf) - file) : length;
      // Texts handed to GetString are terminated; four zero bytes end any mode.
      std::vector<char> text(file + start, file + end);
      text.insert(text.end(), 4, '\0');
      FuzzUntilFail([&] {
        GetString(text.data());
        // The directive reader under the guard of translated formats.
        GetFormatString(text.data());
      });
      ++lookups;
      start = end + 1;
    }
  });
  FreeHashList();
  return 0;
}
