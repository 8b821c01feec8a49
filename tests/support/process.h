// Running the project's programs from tests.
#pragma once

#include <sys/types.h>

#include <string>
#include <utility>
#include <vector>

struct ProcessResult {
  int exitCode = -1;      // -1 when it did not exit normally
  int signal = 0;         // the signal that ended it, if any
  bool timedOut = false;  // killed after the time limit
  std::string out, err;
};

// Runs a program to its end (or kills it after timeoutMs) with extra
// environment variables ("NAME=value") and the given working directory
// (empty: inherit). Standard input is /dev/null.
ProcessResult RunProcess(const std::vector<std::string>& argv, const std::vector<std::string>& env = {},
                         const std::string& cwd = "", int timeoutMs = 30000);

// Starts a program in the background; standard output and error go to the
// given files (empty: /dev/null). Returns its pid, or -1.
pid_t StartProcess(const std::vector<std::string>& argv, const std::vector<std::string>& env = {},
                   const std::string& cwd = "", const std::string& outFile = "",
                   const std::string& errFile = "");
// Waits up to timeoutMs for a started process; kills it after that.
ProcessResult WaitProcess(pid_t pid, int timeoutMs);

// A fresh temporary directory, removed with its contents when destroyed.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

std::string ReadFileText(const std::string& path);
void WriteFileText(const std::string& path, const std::string& text);
