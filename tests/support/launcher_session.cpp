#include "support/launcher_session.h"

#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "support/files.h"

namespace {

bool Contains(const TraceLine& line, const std::string& text) { return line.raw.find(text) != std::string::npos; }

std::string Tail(const std::string& text, size_t most) {
  return text.size() > most ? "..." + text.substr(text.size() - most) : text;
}

// A label as xdotool may not get it through the shell: single quotes closed
// and reopened around each quote.
std::string ShellQuote(const std::string& text) {
  std::string out = "'";
  for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

}  // namespace

std::vector<std::string> LauncherHomeEnv(const std::string& home) {
  namespace fs = std::filesystem;
  for (const char* sub : {"config", "share", "run", "Desktop", "tmp"}) fs::create_directories(fs::path(home) / sub);
  chmod((home + "/run").c_str(), 0700);
  return {"HOME=" + home,
          "XDG_CONFIG_HOME=" + home + "/config",
          "XDG_DATA_HOME=" + home + "/share",
          "XDG_RUNTIME_DIR=" + home + "/run",
          "XDG_DESKTOP_DIR=" + home + "/Desktop",
          "QUORVEL_REGISTRY=" + home + "/registry.txt",
          "TMPDIR=" + home + "/tmp"};
}

std::vector<std::string> LauncherServerEnv(const std::string& base) {
  return {"QUORVEL_INSTALL_URL=" + base + "krnx/", "QUORVEL_UPDATE_URL=" + base + "krnx/",
          "QUORVEL_ALTERNATE_URL=" + base + "zeph4/"};
}

std::vector<std::string> JourneyEnv(const std::string& home, const std::string& base) {
  std::vector<std::string> env = LauncherHomeEnv(home);
  const std::vector<std::string> servers = LauncherServerEnv(base);
  env.insert(env.end(), servers.begin(), servers.end());
  env.push_back("QUORVEL_GAME_MARKER=" + home + "/marker");
  return env;
}

std::string DefaultInstallDir(const std::string& home) { return home + "/share/Tellurant/Quorvel Online/"; }

std::string WaitForFileContaining(const std::string& path, const std::string& text, int timeoutMs) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    std::string contents = ReadFileText(path);
    if (contents.find(text) != std::string::npos || std::chrono::steady_clock::now() > deadline) return contents;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

LauncherSession::LauncherSession(const Xvfb& x) : x_(x) {}

LauncherSession::~LauncherSession() = default;

bool LauncherSession::Start(const std::string& exe, const std::vector<std::string>& args, const std::string& cwd,
                            const std::vector<std::string>& env, const std::string& traceFile) {
  trace_ = traceFile;
  std::vector<std::string> argv{exe};
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<std::string> all = env;
  all.insert(all.end(), {x_.displayEnv(), "QUORVEL_UI_TRACE=" + traceFile});
  bool driverNamed = false;
  for (const std::string& e : env) driverNamed = driverNamed || e.rfind("SDL_VIDEODRIVER=", 0) == 0;
  if (!driverNamed) all.push_back("SDL_VIDEODRIVER=x11");
  // A fatal box would wait for a player who is not there: it goes to
  // standard error unless the test asks for boxes (and acknowledges them).
  bool boxesNamed = false;
  for (const std::string& e : env) boxesNamed = boxesNamed || e.rfind("QUORVEL_MESSAGEBOX=", 0) == 0;
  if (!boxesNamed) all.push_back("QUORVEL_MESSAGEBOX=stderr");
  process_ = StartProcess(argv, all, cwd, traceFile + ".out", traceFile + ".err");
  cursor_ = 0;
  window_ = pinned_;
  return process_.started();
}

std::vector<TraceLine> LauncherSession::Lines() const { return ParseTraceText(ReadFileText(trace_)); }

bool LauncherSession::Running() { return process_.Running(); }

TraceLine LauncherSession::WaitFor(const std::string& text, int timeoutMs) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    // Read before looking at the process, so lines written just before the
    // end are still seen.
    const bool running = Running();
    std::vector<TraceLine> lines = Lines();
    for (size_t i = cursor_; i < lines.size(); ++i) {
      if (Contains(lines[i], text)) {
        cursor_ = i + 1;
        return lines[i];
      }
    }
    if (!running || std::chrono::steady_clock::now() > deadline) return TraceLine{};
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

bool LauncherSession::Seen(const std::string& text) const {
  for (const TraceLine& line : Lines())
    if (Contains(line, text)) return true;
  return false;
}

unsigned long LauncherSession::Window(int timeoutMs) {
  if (window_) return window_;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (std::chrono::steady_clock::now() < deadline && Running()) {
    // By the program's own process id first: a second launcher on the same
    // display has the same title.
    std::string out = x_.Xdotool("search --pid " + std::to_string(process_.pid()) + " --name " + ShellQuote(title_));
    if (out.empty()) out = x_.Xdotool("search --name " + ShellQuote("^" + title_ + "$"));
    if (!out.empty()) {
      window_ = std::stoul(out);
      return window_;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return 0;
}

bool LauncherSession::Click(const std::string& label, int timeoutMs) {
  return ClickWhere([&](const TracedWidget& w) { return w.label == label; }, timeoutMs);
}

bool LauncherSession::ClickMessage(int message, int timeoutMs) {
  return ClickWhere([&](const TracedWidget& w) { return w.message == message; }, timeoutMs);
}

bool LauncherSession::ClickWhere(const std::function<bool(const TracedWidget&)>& match, int timeoutMs) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    const bool running = Running();
    // Events sent before the window is first shown can be lost.
    const std::vector<TraceLine> lines = Lines();
    bool presented = false;
    for (const TraceLine& line : lines) presented = presented || line.word == "present";
    for (const TracedWidget& w : presented ? CurrentWidgets(lines) : std::vector<TracedWidget>{}) {
      if (!match(w)) continue;
      if (!Window(5000)) return false;
      ClickAt(w.x + w.w / 2, w.y + w.h / 2);
      return true;
    }
    if (!running || std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

void LauncherSession::ClickAt(int x, int y) {
  const unsigned long window = Window(5000);
  x_.Xdotool("mousemove --window " + std::to_string(window) + " " + std::to_string(x) + " " + std::to_string(y) +
             " click 1");
}

std::vector<TracedWidget> LauncherSession::Widgets() const { return CurrentWidgets(Lines()); }

bool LauncherSession::SaveWindowImage(const std::string& path) {
  const unsigned long window = Window(5000);
  if (!window) return false;
  ProcessResult r = RunProcess({"import", "-display", x_.display(), "-window", std::to_string(window), path});
  return r.exitCode == 0 && std::filesystem::exists(path) && std::filesystem::file_size(path) > 0;
}

void LauncherSession::Type(const std::string& text, int delayMs) {
  const unsigned long window = Window(5000);
  x_.Xdotool("type --window " + std::to_string(window) + " --delay " + std::to_string(delayMs) + " " +
             ShellQuote(text));
}

void LauncherSession::Key(const std::string& keys, int delayMs) {
  const unsigned long window = Window(5000);
  x_.Xdotool("key --window " + std::to_string(window) + " --delay " + std::to_string(delayMs) + " " + keys);
}

ProcessResult LauncherSession::Wait(int timeoutMs) {
  if (!process_.started()) return {};
  ProcessResult result = process_.Wait(timeoutMs);
  result.out = ReadFileText(trace_ + ".out");
  result.err = ReadFileText(trace_ + ".err");
  return result;
}

void LauncherSession::Signal(int signal) { process_.Signal(signal); }

std::string LauncherSession::Describe() const {
  return "trace " + trace_ + ":\n" + Tail(ReadFileText(trace_), 4000) +
         "\nstderr: " + Tail(ReadFileText(trace_ + ".err"), 2000) +
         "\nstdout: " + Tail(ReadFileText(trace_ + ".out"), 2000) + "\n" + x_.Describe();
}
