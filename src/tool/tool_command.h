// The subcommands of quorvel-tool. Each lives in a file of its own and
// registers itself with a static ToolCommandRegistration; a program's table
// is the set of command files linked into it.
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

// No command named (the usage goes to standard error, status 1), or --help,
// -h or help as the command (standard output, status 0).
bool IsToolUsageRequest(int argc, char** argv);
// Prints the usage with every registered command, sorted by name, where
// IsToolUsageRequest says, and returns the status it says.
int PrintToolUsage(int argc);
// The registered command of that name, or null.
const ToolCommand* FindToolCommand(const char* name);
// Runs a command (argv[1] is its name) under the runtime as the tool sets it
// up: fatal stops become one-line errors, no log file, initialisers and exit
// functions run. A standard output that could not be written turns success
// into failure.
int RunToolCommand(const ToolCommand& command, int argc, char** argv);
