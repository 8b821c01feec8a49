#include "support/weston.h"

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "support/files.h"
#include "support/process.h"

namespace {
constexpr const char* kSocket = "wayland-quorvel";
}

std::string Weston::Start(const Xvfb& x) {
  if (access("/usr/bin/weston", X_OK) != 0) return "weston is not installed";
  chmod(runtime_.path().c_str(), 0700);
  const std::string log = runtime_ / "weston.log";
  process_ = StartProcess({"/usr/bin/weston", "--backend=x11-backend.so", "--use-pixman", "--shell=kiosk-shell.so",
                           std::string("--socket=") + kSocket, "--width=1000", "--height=740", "--idle-time=0"},
                          {x.displayEnv(), "XDG_RUNTIME_DIR=" + runtime_.path()}, "", log, log);
  if (!process_.started()) return "weston did not start";
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (!std::filesystem::exists(runtime_ / kSocket)) {
    if (std::chrono::steady_clock::now() > deadline) return "weston did not open its socket: " + ReadFileText(log);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  // weston names its window only in _NET_WM_NAME, which xdotool's name
  // search does not read; its class is "weston-1".
  while (!window_) {
    const std::string out = x.Xdotool("search --classname '^weston-1$'");
    if (!out.empty()) window_ = std::stoul(out);
    else if (std::chrono::steady_clock::now() > deadline)
      return "no weston window on " + x.display() + ": " + ReadFileText(log);
    else std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return "";
}

Weston::~Weston() { process_.Stop(); }

std::vector<std::string> Weston::ClientEnv() const {
  // An absolute socket path, so the client keeps its own XDG_RUNTIME_DIR.
  return {"WAYLAND_DISPLAY=" + (runtime_ / kSocket), "SDL_VIDEODRIVER=wayland"};
}
