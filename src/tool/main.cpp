// quorvel-tool-full: the operators' companion of the launcher, with every
// command. quorvel-tool hands it the commands it does not run itself.
#include "tool/tool_command.h"

int main(int argc, char** argv) {
  if (IsToolUsageRequest(argc, argv)) return PrintToolUsage(argc);
  if (const ToolCommand* command = FindToolCommand(argv[1])) return RunToolCommand(*command, argc, argv);
  return ToolError("unknown command '%s' (see quorvel-tool --help)", argv[1]);
}
