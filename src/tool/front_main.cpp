// quorvel-tool: the command-line tool as users start it. It links only what
// its byte-level commands need (no window system, fonts, proxy detection or
// archive writer), so that a digest or a listing starts as fast as the
// system's own tools; every other command, the usage text and an unknown
// name go to quorvel-tool-full beside it, which has the whole table.
#include "platform/program_handover.h"
#include "tool/tool_command.h"

int main(int argc, char** argv) {
  if (!IsToolUsageRequest(argc, argv))
    if (const ToolCommand* command = FindToolCommand(argv[1])) return RunToolCommand(*command, argc, argv);
  char reason[512];
  PlatHandOverToSibling("quorvel-tool-full", argv, reason, sizeof reason);
  return ToolError("%s", reason);
}
