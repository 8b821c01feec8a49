#include "support/xvfb.h"

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <thread>

#include "support/process.h"

namespace {
bool Exists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0;
}

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

Xvfb::Xvfb() {
  for (int n = 90 + getpid() % 400; n < 600; ++n) {
    std::string socket = "/tmp/.X11-unix/X" + std::to_string(n);
    std::string lock = "/tmp/.X" + std::to_string(n) + "-lock";
    if (Exists(socket) || Exists(lock)) continue;
    display_ = ":" + std::to_string(n);
    pid_ = StartProcess({"/usr/bin/Xvfb", display_, "-screen", "0", "1024x768x24", "-nolisten", "tcp"});
    if (pid_ <= 0) return;
    for (int i = 0; i < 500; ++i) {
      if (Exists(socket)) return;
      if (waitpid(pid_, nullptr, WNOHANG) == pid_) break;  // lost a race for the number
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }
}

Xvfb::~Xvfb() {
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    WaitProcess(pid_, 5000);
  }
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
