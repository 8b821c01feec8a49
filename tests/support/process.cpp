#include "support/process.h"

#include "support/files.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

extern char** environ;

namespace {
std::vector<char*> MakeEnv(const std::vector<std::string>& extra, std::vector<std::string>& storage) {
  storage.clear();
  for (char** e = environ; *e; ++e) {
    std::string entry(*e);
    bool overridden = false;
    for (const std::string& x : extra) {
      auto eq = x.find('=');
      if (entry.compare(0, eq + 1, x, 0, eq + 1) == 0) overridden = true;
    }
    if (!overridden) storage.push_back(entry);
  }
  for (const std::string& x : extra) storage.push_back(x);
  std::vector<char*> out;
  for (std::string& s : storage) out.push_back(s.data());
  out.push_back(nullptr);
  return out;
}

std::string TempName(const char* tag) {
  char buf[] = "/tmp/quorvel-proc-XXXXXX";
  int fd = mkstemp(buf);
  if (fd >= 0) close(fd);
  (void)tag;
  return buf;
}
}  // namespace

pid_t StartProcess(const std::vector<std::string>& argv, const std::vector<std::string>& env, const std::string& cwd,
                   const std::string& outFile, const std::string& errFile) {
  std::vector<std::string> envStorage;
  std::vector<char*> envp = MakeEnv(env, envStorage);
  std::vector<std::string> args = argv;
  std::vector<char*> argp;
  for (std::string& a : args) argp.push_back(a.data());
  argp.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, outFile.empty() ? "/dev/null" : outFile.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (!errFile.empty() && errFile == outFile)
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
  else
    posix_spawn_file_actions_addopen(&actions, 2, errFile.empty() ? "/dev/null" : errFile.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (!cwd.empty()) posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
  pid_t pid = -1;
  if (posix_spawnp(&pid, argp[0], &actions, nullptr, argp.data(), envp.data()) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

ProcessResult WaitProcess(pid_t pid, int timeoutMs) {
  ProcessResult r;
  if (pid <= 0) return r;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  int status = 0;
  for (;;) {
    pid_t w = waitpid(pid, &status, WNOHANG);
    if (w == pid) break;
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      r.timedOut = true;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  if (WIFEXITED(status)) r.exitCode = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) r.signal = WTERMSIG(status);
  return r;
}

ProcessResult RunProcess(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                         const std::string& cwd, int timeoutMs, const ProcessStreams& streams) {
  const std::string captured = TempName("out");
  const std::string out = streams.outFile.empty() ? captured : streams.outFile;
  const std::string err = streams.errIntoOut ? out : TempName("err");
  pid_t pid = StartProcess(argv, env, cwd, out, err);
  ProcessResult r = WaitProcess(pid, timeoutMs);
  if (streams.outFile.empty()) r.out = ReadFileText(captured);
  if (!streams.errIntoOut) {
    r.err = ReadFileText(err);
    unlink(err.c_str());
  }
  unlink(captured.c_str());
  return r;
}

ProcessResult RunTool(const std::vector<std::string>& args, const std::string& cwd, const ProcessStreams& streams,
                      const std::vector<std::string>& env) {
  std::vector<std::string> argv{QUORVEL_TOOL};
  argv.insert(argv.end(), args.begin(), args.end());
  // Ten-megabyte inputs under sanitizers take a while; the limit only stops a hang.
  return RunProcess(argv, env, cwd, 300000, streams);
}
