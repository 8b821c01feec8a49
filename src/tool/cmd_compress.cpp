// quorvel-tool compress IN OUT: writes IN's contents as a compressed file
// (version 2, blocks of 16384 bytes) that the file layer reads back.
#include <vector>

#include "tool/tool_command.h"
#include "transport/compressed_file.h"
#include "transport/file.h"

namespace {
int Run(int argc, char** argv);
const ToolCommand kCommand = {"compress", "compress IN OUT", "write IN as a compressed file (version 2)", Run};
static ToolCommandRegistration reg(kCommand);

int Run(int argc, char** argv) {
  if (WantsHelp(argc, argv)) return ToolHelp(kCommand);
  if (argc != 3) return ToolError("usage: quorvel-tool %s", kCommand.usage);
  std::vector<unsigned char> in, out;
  if (!ReadWholeFile(argv[1], in)) return ToolError("%s: cannot open", argv[1]);
  if (!BuildCompressedFile(in.data(), in.size(), out)) return ToolError("%s: too large (4 GB at most)", argv[1]);
  if (!WriteWholeFile(argv[2], out.data(), out.size())) return ToolError("%s: cannot write", argv[2]);
  return 0;
}
}  // namespace
