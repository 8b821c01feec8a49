// The subcommands of quorvel-tool. Each lives in a file of its own and
// registers itself with a static ToolCommandRegistration.
#pragma once

struct ToolCommand {
  const char* name;     // "md5", "lzs", ...
  const char* usage;    // one line: "md5 FILE..."
  const char* summary;  // one line: what it does
  // argv[0] is the subcommand name. Returns the exit status; prints its own
  // usage on --help.
  int (*run)(int argc, char** argv);
};

struct ToolCommandRegistration {
  explicit ToolCommandRegistration(const ToolCommand& command);
};

// Prints "quorvel-tool: <message>" on standard error and returns 1.
int ToolError(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Prints the command's usage line on standard output and returns 0.
int ToolHelp(const ToolCommand& command);
// True when any argument after the subcommand is --help or -h.
bool WantsHelp(int argc, char** argv);
