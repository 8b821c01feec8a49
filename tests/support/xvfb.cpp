#include "support/xvfb.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <sstream>
#include <thread>

#include "support/files.h"
#include "support/process.h"

namespace {
// A shell command's standard output.
std::string Capture(const std::string& command) { return RunProcess({"/bin/sh", "-c", command}).out; }
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
  server_ =
      StartProcess({"/usr/bin/Xvfb", "-displayfd", fd, "-screen", "0", "1024x768x24", "-nolisten", "tcp", "-noreset"},
                   {}, "", "", dir_ / "xvfb.log");
  close(fds[1]);
  std::string number;
  pollfd p{fds[0], POLLIN, 0};
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (server_.started() && std::chrono::steady_clock::now() < deadline) {
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
    server_ = ChildProcess();
    return;
  }
  display_ = ":" + number;
}

Xvfb::~Xvfb() { server_.Stop(); }

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
  if (server_.started()) state = server_.Running() ? "server running" : "server has ended";
  std::string out = "display " + display_ + " (" + state + "); xdotool sees '" + screen + "'; windows:";
  std::istringstream ids(Xdotool("search --name ."));
  std::string id;
  while (ids >> id) out += " " + id + "='" + Xdotool("getwindowname " + id) + "'";
  std::string log = ReadFileText(dir_ / "xvfb.log");
  if (log.size() > 2000) log = "..." + log.substr(log.size() - 2000);
  return out + "\nXvfb said: " + log;
}
