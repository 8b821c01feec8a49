// quorvel-tool cat FILE: writes a file's contents to standard output through
// the file layer, so a compressed file comes out decompressed.
#include <cstdio>

#include "tool/tool_command.h"
#include "transport/file.h"

namespace {
int Run(int argc, char** argv);
const ToolCommand kCommand = {"cat", "cat FILE", "print a file's contents as the program reads them", Run};
static ToolCommandRegistration reg(kCommand);

int Run(int argc, char** argv) {
  if (WantsHelp(argc, argv)) return ToolHelp(kCommand);
  if (argc != 2) return ToolError("usage: quorvel-tool %s", kCommand.usage);
  File file(argv[1]);
  if (!file.IsOpen()) return ToolError("%s: cannot open", argv[1]);
  unsigned char block[65536];
  for (;;) {
    unsigned got = file.Read(block, 1, sizeof block);
    if (got && std::fwrite(block, 1, got, stdout) != got) return ToolError("write error on standard output");
    if (got < sizeof block) break;
  }
  if (std::fflush(stdout) != 0) return ToolError("write error on standard output");
  return 0;
}
}  // namespace
