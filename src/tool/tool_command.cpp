#include "tool/tool_command.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "foundation/log.h"
#include "foundation/runtime.h"

namespace {
std::vector<ToolCommand>& Commands() {
  static std::vector<ToolCommand>* commands = new std::vector<ToolCommand>;
  return *commands;
}

// A fatal stop inside a command becomes the one-line error of the tool.
void ToolFatalSink(const char* text) {
  std::string line(text);
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
  std::fprintf(stderr, "quorvel-tool: %s\n", line.c_str());
}
}  // namespace

ToolCommandRegistration::ToolCommandRegistration(const ToolCommand& command) { Commands().push_back(command); }

int ToolError(const char* format, ...) {
  std::fprintf(stderr, "quorvel-tool: ");
  va_list args;
  va_start(args, format);
  std::vfprintf(stderr, format, args);
  va_end(args);
  std::fprintf(stderr, "\n");
  return 1;
}

int ToolHelp(const ToolCommand& command) {
  std::printf("usage: quorvel-tool %s\n%s\n", command.usage, command.summary);
  return 0;
}

bool WantsHelp(int argc, char** argv) {
  for (int i = 1; i < argc; ++i)
    if (!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h")) return true;
  return false;
}

bool IsToolUsageRequest(int argc, char** argv) {
  return argc < 2 || !std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h") || !std::strcmp(argv[1], "help");
}

int PrintToolUsage(int argc) {
  FILE* out = argc < 2 ? stderr : stdout;
  std::fprintf(out, "usage: quorvel-tool COMMAND [ARGS...]\n\ncommands:\n");
  std::vector<ToolCommand> sorted = Commands();
  std::sort(sorted.begin(), sorted.end(),
            [](const ToolCommand& a, const ToolCommand& b) { return std::strcmp(a.name, b.name) < 0; });
  for (const ToolCommand& c : sorted) std::fprintf(out, "  %-50s %s\n", c.usage, c.summary);
  std::fprintf(out, "\nEach command takes --help.\n");
  return argc < 2 ? 1 : 0;
}

const ToolCommand* FindToolCommand(const char* name) {
  for (const ToolCommand& c : Commands())
    if (!std::strcmp(c.name, name)) return &c;
  return nullptr;
}

int RunToolCommand(const ToolCommand& command, int argc, char** argv) {
  SetFatalMessageSink(ToolFatalSink);
  LogEnabled = 0;  // the tool keeps no game.log
  Inside_SetJMP = 1;
  int status = 1;
  try {
    RunAllInitializers();
    status = command.run(argc - 1, argv + 1);
  } catch (const ProgramExit&) {
    status = 1;
  }
  Inside_SetJMP = 0;
  CallAllExitFunctions();
  // Printed results (digests, listings, a fetch's result line) that never
  // reached their file are a failure, not a success.
  if ((std::fflush(stdout) != 0 || std::ferror(stdout)) && status == 0)
    status = ToolError("write error on standard output");
  return status;
}
