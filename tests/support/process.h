// Running the project's programs and the tests' peers from tests.
//
// Every program a test starts goes through StartProcess (RunProcess and
// RunTool use it), so that it ends with the test however the test ends:
// passing, failing an assertion, crashing or killed.
// - It runs in a process group of its own and is stopped by ending the whole
//   group, so what it forked while in the foreground (a server's workers, a
//   script's children) goes with it.
// - Its parent-death signal is SIGKILL. The kernel ties that signal to the
//   thread that forked, so programs are started from the main thread only.
// - A keeper process, forked on the first start, ends every group still
//   listed once the test process is gone: the parent-death signal reaches
//   neither the other members of a group nor a member that changed its user
//   (a server's workers).
#pragma once

#include <signal.h>
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

// A started program and its process group. The group is ended (SIGKILL) when
// the object goes, if nothing ended it before.
class ChildProcess {
 public:
  ChildProcess() = default;
  ~ChildProcess();
  ChildProcess(ChildProcess&& other) noexcept { *this = std::move(other); }
  ChildProcess& operator=(ChildProcess&& other) noexcept;
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Started (it may have ended since).
  bool started() const { return pid_ > 0; }
  // Its end has been seen; result() says how it ended.
  bool ended() const { return ended_; }
  pid_t pid() const { return pid_; }
  const ProcessResult& result() const { return result_; }

  // Whether it still runs. Once the program has ended the rest of its group
  // is ended too.
  bool Running();
  // Waits up to timeoutMs for its end; after that ends the group (timedOut).
  ProcessResult Wait(int timeoutMs);
  // Sends a signal to the program alone (a test of how it takes one).
  void Signal(int signal);
  // Ends the group: the signal to every member, SIGKILL to all after graceMs.
  ProcessResult Stop(int signal = SIGTERM, int graceMs = 5000);

 private:
  friend ChildProcess StartProcess(const std::vector<std::string>&, const std::vector<std::string>&, const std::string&,
                                   const std::string&, const std::string&);
  void Ended(int status);
  pid_t pid_ = -1;
  bool ended_ = false;
  ProcessResult result_;
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

// fork() for a test that runs part of itself in a child process: the child
// gets SIGKILL as its parent-death signal, so it ends with the test (a child
// looping until it is killed would otherwise outlive a failed test). Called
// from the main thread; returns as fork() does.
pid_t ForkChild();

// Starts a program in the background; standard output and error go to the
// given files (empty: /dev/null; errFile equal to outFile: one stream, in
// order). Not started() when the program could not be run.
ChildProcess StartProcess(const std::vector<std::string>& argv, const std::vector<std::string>& env = {},
                          const std::string& cwd = "", const std::string& outFile = "",
                          const std::string& errFile = "");
