#include "support/process.h"

#include <errno.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <thread>

#include "support/files.h"

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

std::string TempName() {
  std::string name = TempRoot() + "/quorvel-test-out-XXXXXX";
  int fd = mkstemp(name.data());
  if (fd >= 0) close(fd);
  return name;
}

// argv[0] as given when it holds a slash, else its first match in PATH. Looked
// up before the fork: only async-signal-safe calls may follow that.
std::string ProgramPath(const std::string& name) {
  if (name.find('/') != std::string::npos) return name;
  const char* path = std::getenv("PATH");
  const std::string dirs = path ? path : "/usr/local/bin:/usr/bin:/bin";
  for (size_t at = 0;;) {
    const size_t colon = dirs.find(':', at);
    const std::string dir = dirs.substr(at, colon == std::string::npos ? std::string::npos : colon - at);
    const std::string full = (dir.empty() ? "." : dir) + "/" + name;
    if (access(full.c_str(), X_OK) == 0) return full;
    if (colon == std::string::npos) return name;
    at = colon + 1;
  }
}

// The keeper's loop: group ids arrive as "+id" when started and "-id" when
// ended; the end of the stream means the test process is gone, and every
// group still listed is killed. Forked from a process with threads, it makes
// async-signal-safe calls only.
[[noreturn]] void KeepGroups(int in) {
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  for (int s : {SIGHUP, SIGINT, SIGTERM, SIGQUIT}) sigaction(s, &ignore, nullptr);
  setpgid(0, 0);
  if (in != 3) dup2(in, 3);
  const int null = open("/dev/null", O_RDWR);
  for (int fd = 0; fd < 3; ++fd) dup2(null, fd);
  // Nothing of the test's stays open here: not its output, which CTest waits
  // to see closed, nor its own end of this stream.
  close_range(4, ~0U, 0);
  constexpr int kMost = 4096;
  pid_t groups[kMost];
  int count = 0;
  for (;;) {
    int32_t message = 0;
    const ssize_t got = read(3, &message, sizeof message);
    if (got < 0 && errno == EINTR) continue;
    if (got != sizeof message) break;
    if (message > 0 && count < kMost) groups[count++] = message;
    for (int i = 0; message < 0 && i < count; ++i)
      if (groups[i] == -message) {
        groups[i] = groups[--count];
        break;
      }
  }
  for (int i = 0; i < count; ++i) kill(-groups[i], SIGKILL);
  _exit(0);
}

// One keeper per test process. The test's end of the stream is close-on-exec,
// so no program it starts holds it: the keeper reads the end of the stream
// once the test process has ended, however it ended.
class Keeper {
 public:
  void Add(pid_t group) { Send(group); }
  void Remove(pid_t group) { Send(-group); }

 private:
  void Send(int32_t message) {
    if (owner_ != getpid()) Start();  // first use, or a forked copy of the test
    if (fd_ >= 0) send(fd_, &message, sizeof message, MSG_NOSIGNAL);
  }
  void Start() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
    owner_ = getpid();
    int fds[2];
    if (socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, fds) != 0) return;
    const pid_t pid = fork();
    if (pid == 0) KeepGroups(fds[1]);
    close(fds[1]);
    if (pid < 0) {
      close(fds[0]);
      return;
    }
    fd_ = fds[0];
  }
  pid_t owner_ = -1;
  int fd_ = -1;
};

Keeper keeper;

bool Redirect(int target, const char* path, int flags) {
  const int fd = open(path, flags, 0644);
  if (fd < 0) return false;
  if (fd == target) return true;
  const bool ok = dup2(fd, target) == target;
  close(fd);
  return ok;
}
}  // namespace

ChildProcess& ChildProcess::operator=(ChildProcess&& other) noexcept {
  if (this != &other) {
    if (started() && !ended_) Stop(SIGKILL, 0);
    pid_ = std::exchange(other.pid_, -1);
    ended_ = std::exchange(other.ended_, false);
    result_ = std::move(other.result_);
  }
  return *this;
}

ChildProcess::~ChildProcess() {
  if (started() && !ended_) Stop(SIGKILL, 0);
}

bool ChildProcess::Running() {
  if (!started() || ended_) return false;
  // Seen ended but not reaped: until it is, its pid still names its group
  // and no other process can take it.
  siginfo_t info{};
  if (waitid(P_PID, id_t(pid_), &info, WEXITED | WNOHANG | WNOWAIT) != 0) {
    ended_ = true;  // not ours to wait for any more: how it ended is unknown
    keeper.Remove(pid_);
    return false;
  }
  if (info.si_pid != pid_) return true;
  kill(-pid_, SIGKILL);
  int status = 0;
  while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
  }
  Ended(status);
  return false;
}

void ChildProcess::Ended(int status) {
  ended_ = true;
  if (WIFEXITED(status)) result_.exitCode = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) result_.signal = WTERMSIG(status);
  keeper.Remove(pid_);
}

ProcessResult ChildProcess::Wait(int timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (Running()) {
    if (std::chrono::steady_clock::now() > deadline) {
      Stop(SIGKILL, 0);
      result_.timedOut = true;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return result_;
}

void ChildProcess::Signal(int signal) {
  if (started() && !ended_) kill(pid_, signal);
}

ProcessResult ChildProcess::Stop(int signal, int graceMs) {
  if (!started() || ended_) return result_;
  kill(-pid_, signal);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(graceMs);
  bool killed = signal == SIGKILL;
  while (Running()) {
    if (!killed && std::chrono::steady_clock::now() >= deadline) {
      kill(-pid_, SIGKILL);
      killed = true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(killed ? 1 : 5));
  }
  return result_;
}

pid_t ForkChild() {
  const pid_t parent = getpid();
  const pid_t pid = fork();
  if (pid == 0) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(127);  // the test ended before the signal was set
  }
  return pid;
}

ChildProcess StartProcess(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                          const std::string& cwd, const std::string& outFile, const std::string& errFile) {
  ChildProcess child;
  if (argv.empty()) return child;
  if (gettid() != getpid()) {
    ADD_FAILURE() << "StartProcess(" << argv[0] << ") from a thread other than the main one: the program would "
                  << "be killed when that thread ends";
    return child;
  }
  // Everything the child needs is made before the fork.
  std::vector<std::string> envStorage;
  std::vector<char*> envp = MakeEnv(env, envStorage);
  std::vector<std::string> args = argv;
  std::vector<char*> argp;
  for (std::string& a : args) argp.push_back(a.data());
  argp.push_back(nullptr);
  const std::string program = ProgramPath(argv[0]);
  const char* out = outFile.empty() ? "/dev/null" : outFile.c_str();
  const char* err = errFile.empty() ? "/dev/null" : errFile.c_str();
  const bool errIntoOut = !errFile.empty() && errFile == outFile;
  const char* dir = cwd.empty() ? nullptr : cwd.c_str();
  const int writeFlags = O_WRONLY | O_CREAT | O_TRUNC;
  const pid_t parent = getpid();
  int failed[2];  // the child's errno when it could not start the program
  if (pipe2(failed, O_CLOEXEC) != 0) return child;

  const pid_t pid = fork();
  if (pid == 0) {
    close(failed[0]);
    setpgid(0, 0);
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(127);  // the test ended before the signal was set
    if (Redirect(0, "/dev/null", O_RDONLY) && Redirect(1, out, writeFlags) &&
        (errIntoOut ? dup2(1, 2) == 2 : Redirect(2, err, writeFlags)) && (!dir || chdir(dir) == 0))
      execve(program.c_str(), argp.data(), envp.data());
    const int error = errno;
    if (write(failed[1], &error, sizeof error) < 0) _exit(127);
    _exit(127);
  }
  close(failed[1]);
  if (pid < 0) {
    close(failed[0]);
    return child;
  }
  int error = 0;
  ssize_t got;
  while ((got = read(failed[0], &error, sizeof error)) < 0 && errno == EINTR) {
  }
  close(failed[0]);
  if (got > 0) {
    waitpid(pid, nullptr, 0);
    return child;
  }
  child.pid_ = pid;
  keeper.Add(pid);
  return child;
}

ProcessResult RunProcess(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                         const std::string& cwd, int timeoutMs, const ProcessStreams& streams) {
  const std::string captured = TempName();
  const std::string out = streams.outFile.empty() ? captured : streams.outFile;
  const std::string err = streams.errIntoOut ? out : TempName();
  ProcessResult r = StartProcess(argv, env, cwd, out, err).Wait(timeoutMs);
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
