// The two language choices the launcher reads from its working directory on
// arbitrary bytes: "language.dat" (name and number lines) and
// "language.txt" (the chosen name), with a catalogue file beside them that
// the choice may name. Byte 0 and 1 give the lengths of the first two files;
// the rest is the catalogue "French.cat". Both results must stay terminated
// within their arrays; a catalogue that is refused ends through Fail.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "foundation/language_catalogue.h"
#include "foundation/program_globals.h"
#include "fuzz_runtime.h"
#include "launcher/language_dat.h"
#include "launcher/launcher_globals.h"
#include "launcher/localisation.h"

namespace {
void WriteFile(const char* name, const uint8_t* data, size_t size) {
  FILE* f = std::fopen(name, "wb");
  if (!f) abort();
  std::fwrite(data, 1, size, f);
  std::fclose(f);
}
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  PrepareFuzzRuntime();
  char pattern[] = "/tmp/fuzz-language-XXXXXX";
  if (!mkdtemp(pattern) || chdir(pattern) != 0) abort();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  size_t rest = size - 2;
  const size_t datLength = data[0] < rest ? data[0] : rest;
  rest -= datLength;
  const size_t txtLength = data[1] < rest ? data[1] : rest;
  const uint8_t* dat = data + 2;
  const uint8_t* txt = dat + datLength;
  const uint8_t* cat = txt + txtLength;
  WriteFile("language.dat", dat, datLength);
  WriteFile("language.txt", txt, txtLength);
  WriteFile("French.cat", cat, data + size - cat);

  ReadLanguageDat();
  if (strnlen(LanguageString, sizeof LanguageString) >= sizeof LanguageString) abort();
  if (datLength == 0 && (std::strcmp(LanguageString, "English") != 0 || LanguageTrack != 0)) abort();

  std::memset(ZindleLanguageID, 0, sizeof ZindleLanguageID);
  FuzzUntilFail([] {
    const int loaded = ReadLanguageChoice();
    if (loaded != 0 && loaded != 1) abort();
  });
  if (strnlen(ZindleLanguageID, kLanguageIdSize) >= static_cast<size_t>(kLanguageIdSize)) abort();
  if (std::memchr(txt, '\0', txtLength) == nullptr && txtLength < kLanguageIdSize &&
      std::strlen(ZindleLanguageID) != txtLength)
    abort();
  FreeHashList();
  return 0;
}
