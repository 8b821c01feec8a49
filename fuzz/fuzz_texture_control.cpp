// The texture control file reader on arbitrary text. Malformed entries may
// end the program through Fail (caught here as the orderly stop); anything
// else must leave well-formed entries: terminated names within their limits,
// each found again by the file name it was made for.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "foundation/runtime.h"
#include "gfx/texture_control_file.h"

namespace {
void Quiet(const char*) {}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool ready = [] {
    SetFatalMessageSink(Quiet);
    Inside_SetJMP = 1;
    return true;
  }();
  (void)ready;
  std::string text(reinterpret_cast<const char*>(data), size);
  try {
    ReadTextureControlText(text.data(), text.size());
  } catch (const ProgramExit&) {
    ProgramExiting = 0;
  }
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
