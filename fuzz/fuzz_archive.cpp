// The archive loader and lookup on arbitrary files: load, look up every
// stored name and a few others, and read each member found. A fatal stop is
// an expected outcome; crashes and out-of-bounds accesses are not.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "fuzz_runtime.h"
#include "transport/archive.h"
#include "transport/file.h"

QUORVEL_FUZZ_STARTUP

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static std::string path = "/tmp/fuzz_archive_" + std::to_string(getpid()) + ".pig";
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return 0;
  std::fwrite(data, 1, size, f);
  std::fclose(f);
  FileArchive* chain = nullptr;
  FuzzUntilFail([&] {
    chain = LoadArchiveList(path.c_str());
    if (chain) {
      std::vector<std::string> names = {"back.tga", "zindimgs\\BACK", "a/b.c", ""};
      for (int i = 0; i < chain->count; ++i) names.push_back(chain->NameAt(i));
      for (const std::string& name : names) {
        int length = -1;
        File* member = FindFileInArchive(name.c_str(), chain, &length);
        if (!member) continue;
        std::vector<unsigned char> bytes(length > 0 ? length : 1);
        if (length > 0) member->MustRead(bytes.data(), 1, length);
      }
    }
  });
  FreeArchiveList(chain);
  return 0;
}
