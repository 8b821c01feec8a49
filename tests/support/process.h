// Running the project's programs from tests.
#pragma once

#include <sys/types.h>

#include <string>
#include <utility>
#include <vector>

// A run is set up in a scratch directory and judged by the files it leaves,
// so the file and directory helpers come with this header.
#include "support/files.h"
#include "support/temp_dir.h"

struct ProcessResult {
  int exitCode = -1;      // -1 when it did not exit normally
  int signal = 0;         // the signal that ended it, if any
  bool timedOut = false;  // killed after the time limit
  std::string out, err;
};

// Where a run's output goes. By default both streams are captured apart.
struct ProcessStreams {
  std::string outFile;      // non-empty: standard output goes to this file (say "/dev/full") and out stays ""
  bool errIntoOut = false;  // standard error joins the captured standard output, in order (as 2>&1)
};

// Runs a program to its end (or kills it after timeoutMs) with extra
// environment variables ("NAME=value") and the given working directory
// (empty: inherit). Standard input is /dev/null. A program name without a
// slash is looked up in PATH.
ProcessResult RunProcess(const std::vector<std::string>& argv, const std::vector<std::string>& env = {},
                         const std::string& cwd = "", int timeoutMs = 30000, const ProcessStreams& streams = {});

// Runs quorvel-tool with the arguments, each passed as it is (no shell).
ProcessResult RunTool(const std::vector<std::string>& args, const std::string& cwd = "",
                      const ProcessStreams& streams = {}, const std::vector<std::string>& env = {});

// Starts a program in the background; standard output and error go to the
// given files (empty: /dev/null; errFile equal to outFile: one stream, in
// order). Returns its pid, or -1.
pid_t StartProcess(const std::vector<std::string>& argv, const std::vector<std::string>& env = {},
                   const std::string& cwd = "", const std::string& outFile = "",
                   const std::string& errFile = "");
// Waits up to timeoutMs for a started process; kills it after that.
ProcessResult WaitProcess(pid_t pid, int timeoutMs);
