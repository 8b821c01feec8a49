// The texture control file reader on arbitrary text. Malformed entries may
// end the program through Fail (caught here as the orderly stop); anything
// else must leave well-formed entries: terminated names within their limits,
// each found again by the file name it was made for.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz_runtime.h"
#include "gfx/texture_control_file.h"

QUORVEL_FUZZ_STARTUP

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  FuzzUntilFail([&] { ReadTextureControlText(text.data(), text.size()); });
  for (TextureControl* c = TCList; c; c = c->Next) {
    if (std::strlen(c->Name) > size_t(kTextureControlNameMax)) abort();
    if (std::strlen(c->Alias) > size_t(kTextureControlNameMax)) abort();
    if (std::strlen(c->CanBeTexture) > size_t(kTextureControlNameMax)) abort();
    // A texture is looked up by its file name: the entry's name with an extension.
    if (FindTControl((std::string(c->Name) + ".TGA").c_str()) == nullptr) abort();
  }
  FreeTextureControls();
  return 0;
}
