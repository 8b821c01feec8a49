// quorvel-tool md5 FILE...: digests read through the file layer, printed in
// the form of md5sum ("<hex>  <name>"). A compressed file gives the digest of
// its contents.
#include <cstdio>

#include "tool/tool_command.h"
#include "transport/md5.h"

namespace {
int Run(int argc, char** argv);
const ToolCommand kCommand = {"md5", "md5 FILE...", "print the MD5 digest of each file's contents", Run};
static ToolCommandRegistration reg(kCommand);

int Run(int argc, char** argv) {
  if (WantsHelp(argc, argv)) return ToolHelp(kCommand);
  if (argc < 2) return ToolError("usage: quorvel-tool %s", kCommand.usage);
  int status = 0;
  for (int i = 1; i < argc; ++i) {
    unsigned char digest[kMD5Size];
    if (!GetMD5(argv[i], digest)) {
      status = ToolError("%s: cannot open", argv[i]);
      continue;
    }
    char hex[2 * kMD5Size + 1];
    MD5ToHex(digest, hex);
    std::printf("%s  %s\n", hex, argv[i]);
  }
  return status;
}
}  // namespace
