// quorvel-tool lzs encode|decode IN OUT: raw LZS streams, no header.
#include <cstring>
#include <vector>

#include "tool/tool_command.h"
#include "tool/raw_file.h"
#include "transport/lzs.h"

namespace {
int Run(int argc, char** argv);
const ToolCommand kCommand = {"lzs", "lzs encode|decode IN OUT", "encode or decode a raw LZS stream", Run};
static ToolCommandRegistration reg(kCommand);

// No stream expands more than 144 bytes out of 17 (a flag byte and eight
// full-length matches), so this capacity always suffices.
size_t DecodeCapacity(size_t encoded) { return encoded * 9 + 64; }

int Run(int argc, char** argv) {
  if (WantsHelp(argc, argv)) return ToolHelp(kCommand);
  if (argc != 4 || (std::strcmp(argv[1], "encode") && std::strcmp(argv[1], "decode")))
    return ToolError("usage: quorvel-tool %s", kCommand.usage);
  std::vector<unsigned char> in;
  // The input is a byte stream as it lies on disk, even one that happens to
  // be a compressed container.
  if (!ReadRawFile(argv[2], in)) return ToolError("%s: cannot open", argv[2]);
  if (in.size() > 0x7FFFFFF0u / 9) return ToolError("%s: too large", argv[2]);
  std::vector<unsigned char> out;
  if (!std::strcmp(argv[1], "encode")) {
    out.resize(LZSWorstCase(static_cast<long>(in.size())));
    out.resize(LZSEncode(in.data(), out.data(), static_cast<int>(in.size())));
  } else {
    out.resize(DecodeCapacity(in.size()));
    int produced = 0;
    if (LZSDecode(in.data(), out.data(), static_cast<int>(in.size()), produced, static_cast<unsigned>(out.size())))
      return ToolError("%s: stream decodes to more than its largest possible size", argv[2]);
    out.resize(produced);
  }
  if (!WriteRawFile(argv[3], out.data(), out.size())) return ToolError("%s: cannot write", argv[3]);
  return 0;
}
}  // namespace
