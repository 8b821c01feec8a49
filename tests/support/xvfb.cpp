#include "support/xvfb.h"

#include <signal.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <sstream>
#include <thread>

#include "support/files.h"
#include "support/process.h"

namespace {
std::string Capture(const std::string& command) {
  std::string out;
  if (FILE* p = popen(command.c_str(), "r")) {
    char buf[256];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    pclose(p);
  }
  return out;
}
}  // namespace

// Xvfb chooses a free display number itself (-displayfd) and writes it to a
// pipe once it accepts connections, so tests running side by side never share
// or steal a display. -noreset: by default the server resets whenever its
// last client leaves, and a program connecting during that reset is refused;
// every short xdotool run is such a last client.
Xvfb::Xvfb() {
  int fds[2];
  if (pipe(fds) != 0) return;
  fcntl(fds[0], F_SETFD, FD_CLOEXEC);
  std::string fd = std::to_string(fds[1]);
  char logName[] = "/tmp/quorvel-xvfb-XXXXXX";
  int logFd = mkstemp(logName);
  if (logFd >= 0) {
    close(logFd);
    log_ = logName;
  }
  pid_ = StartProcess({"/usr/bin/Xvfb", "-displayfd", fd, "-screen", "0", "1024x768x24", "-nolisten", "tcp", "-noreset"}, {}, "",
                      "", log_);
  close(fds[1]);
  std::string number;
  pollfd p{fds[0], POLLIN, 0};
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (pid_ > 0 && std::chrono::steady_clock::now() < deadline) {
    if (poll(&p, 1, 100) <= 0) continue;
    char buf[32];
    ssize_t n = read(fds[0], buf, sizeof buf);
    if (n <= 0) break;
    number.append(buf, size_t(n));
    if (number.find('\n') != std::string::npos) break;
  }
  close(fds[0]);
  while (!number.empty() && (number.back() == '\n' || number.back() == ' ')) number.pop_back();
  if (number.empty()) {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    pid_ = -1;
    return;
  }
  display_ = ":" + number;
}

Xvfb::~Xvfb() {
  if (pid_ > 0 && !reaped_) {
    kill(pid_, SIGTERM);
    WaitProcess(pid_, 5000);
  }
  if (!log_.empty()) unlink(log_.c_str());
}

std::string Xvfb::Xdotool(const std::string& args) const {
  return Capture("DISPLAY=" + display_ + " xdotool " + args + " 2>/dev/null");
}

unsigned long Xvfb::FindWindow(const std::string& title, int timeoutMs) const {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (std::chrono::steady_clock::now() < deadline) {
    std::string out = Xdotool("search --name '^" + title + "$'");
    if (!out.empty()) return std::stoul(out);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return 0;
}

bool Xvfb::CloseWindow(unsigned long window) const {
  std::string script = std::string(QUORVEL_SOURCE_DIR) + "/tests/support/x11_close.py";
  ProcessResult r = RunProcess({"/usr/bin/python3", script, std::to_string(window)}, {"DISPLAY=" + display_});
  return r.exitCode == 0;
}

std::string Xvfb::Describe() const {
  std::string screen = Capture("DISPLAY=" + display_ + " xdotool getdisplaygeometry 2>&1");
  while (!screen.empty() && screen.back() == '\n') screen.pop_back();
  std::string state = "no server";
  if (pid_ > 0 && !reaped_) reaped_ = waitpid(pid_, nullptr, WNOHANG) == pid_;
  if (pid_ > 0) state = reaped_ ? "server has ended" : "server running";
  std::string out = "display " + display_ + " (" + state + "); xdotool sees '" + screen + "'; windows:";
  std::istringstream ids(Xdotool("search --name ."));
  std::string id;
  while (ids >> id) out += " " + id + "='" + Xdotool("getwindowname " + id) + "'";
  std::string log = log_.empty() ? "" : ReadFileText(log_);
  if (log.size() > 2000) log = "..." + log.substr(log.size() - 2000);
  return out + "\nXvfb said: " + log;
}
