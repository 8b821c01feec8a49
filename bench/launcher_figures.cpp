// Figures of the real launcher under a real X server (Xvfb), read from its UI
// trace, with a small release served by nginx on loopback:
//   start   program start to the first full present (the trace's "present"
//           line), from the installation package and from the installation
//   launch  the Launch button to the game's start when nothing changed (both
//           lists answered 304, the succeed files present), the Terms
//           accepted through the trace's button; the launcher's own time is
//           counted from the trace, without the clicks' delivery
//   idle    the launcher's CPU at the menu over SECONDS (from /proc/PID/stat)
//
//   launcher_figures [RUNS] [IDLE_SECONDS]      (default 5 and 10)
//
// Prints one line per run and a min / median line per figure. Exit status 1
// when a step of the journey does not happen.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/launcher_session.h"
#include "support/served_release.h"
#include "support/temp_dir.h"
#include "support/xvfb.h"

namespace {

struct Figure {
  std::string name, unit;
  std::vector<double> values;
};

void PrintFigure(const Figure& f) {
  if (f.values.empty()) {
    std::printf("%-44s no values\n", f.name.c_str());
    return;
  }
  std::vector<double> v = f.values;
  std::sort(v.begin(), v.end());
  const double median = v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
  std::printf("%-44s min %8.2f %s  median %8.2f %s  (%zu runs)\n", f.name.c_str(), v.front(), f.unit.c_str(), median,
              f.unit.c_str(), v.size());
}

bool Fail(const char* step, const LauncherSession& s) {
  std::fprintf(stderr, "%s did not happen\n%s\n", step, s.Describe().c_str());
  return false;
}

// User plus system CPU seconds of a process.
double ProcessCpuSeconds(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const size_t close = text.rfind(')');
  if (close == std::string::npos) return -1;
  std::istringstream fields(text.substr(close + 2));
  std::string f;
  long utime = 0, stime = 0;
  for (int i = 3; i <= 15 && fields >> f; ++i) {
    if (i == 14) utime = std::atol(f.c_str());
    if (i == 15) stime = std::atol(f.c_str());
  }
  return double(utime + stime) / double(sysconf(_SC_CLK_TCK));
}

// The trace time of the first line written after the first `count` lines
// (waiting for it up to two seconds), or -1.
long FirstLineAfter(const LauncherSession& s, size_t count) {
  for (int i = 0; i < 200; ++i) {
    std::vector<TraceLine> lines = s.Lines();
    if (lines.size() > count) return lines[count].ms;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return -1;
}

class Bench {
 public:
  bool Setup() {
    if (!x_.running()) return std::fprintf(stderr, "Xvfb did not start\n"), false;
    for (const std::string& error : {server_.Publish("v1", SmallGame("1.0")), server_.Serve("v1"), server_.Start(),
                                     server_.Package("v1", package_ / "pkg")})
      if (!error.empty()) return std::fprintf(stderr, "%s\n", error.c_str()), false;
    env_ = LauncherHomeEnv(home_.path());
    for (const std::string& e : LauncherServerEnv(server_.base())) env_.push_back(e);
    env_.push_back("QUORVEL_GAME_MARKER=" + home_ / "marker");
    return true;
  }

  // Starts a session; returns the trace time of the first present, or -1.
  long StartToPresent(LauncherSession& s, const std::string& exe, const std::string& cwd) {
    if (!s.Start(exe, {}, cwd, env_, home_ / ("trace" + std::to_string(++sessions_)))) return -1;
    TraceLine present = s.WaitFor("present");
    return present.raw.empty() ? -1 : present.ms;
  }

  bool MeasureStarts(int runs, Figure& fromPackage) {
    for (int i = 0; i < runs + 1; ++i) {
      // Each from a fresh home: a first run, as a new player meets it.
      TempDir home;
      std::vector<std::string> env = LauncherHomeEnv(home.path());
      for (const std::string& e : LauncherServerEnv(server_.base())) env.push_back(e);
      LauncherSession s(x_);
      if (!s.Start(package_ / "pkg/quorvel.exe", {}, package_ / "pkg", env, home / "trace")) return Fail("start", s);
      TraceLine present = s.WaitFor("present");
      if (present.raw.empty()) return Fail("present", s);
      if (i > 0) fromPackage.values.push_back(double(present.ms));  // the first warms the caches
      std::printf("start from the package: present at %ld ms\n", present.ms);
    }
    return true;
  }

  bool Install() {
    LauncherSession s(x_);
    if (StartToPresent(s, package_ / "pkg/quorvel.exe", package_ / "pkg") < 0) return Fail("present", s);
    if (!s.Click("Install")) return Fail("Install", s);
    if (!s.Click("I Agree")) return Fail("I Agree", s);
    if (s.WaitFor("screen InstallWindow enabled").raw.empty()) return Fail("the install screen", s);
    if (!s.Click("Next")) return Fail("Next", s);
    if (s.WaitFor("Directory does not exist").raw.empty()) return Fail("the directory question", s);
    if (!s.Click("Yes")) return Fail("Yes", s);
    if (s.WaitFor(" launch ", 60000).raw.empty()) return Fail("the first launch", s);
    s.Wait(20000);
    installed_ = home_ / "share/Tellurant/Quorvel Online/";
    return true;
  }

  bool MeasureLaunches(int runs, Figure& start, Figure& own, Figure& whole) {
    for (int i = 0; i < runs + 1; ++i) {
      LauncherSession s(x_);
      const long present = StartToPresent(s, installed_ + "quorvel.exe", installed_);
      if (present < 0) return Fail("present of the installed launcher", s);
      size_t before = s.Lines().size();
      if (!s.Click("Launch")) return Fail("Launch", s);
      const long clicked = FirstLineAfter(s, before);
      // The Terms are fetched and shown; the time they wait for the player
      // is not the launcher's.
      TraceLine agree = s.WaitFor("widget button \"I Agree\"");
      if (agree.raw.empty()) return Fail("the Terms", s);
      before = s.Lines().size();
      if (!s.Click("I Agree")) return Fail("I Agree", s);
      const long agreed = FirstLineAfter(s, before);
      TraceLine launch = s.WaitFor(" launch ", 30000);
      if (launch.raw.empty() || clicked < 0 || agreed < 0) return Fail("the launch", s);
      int unchanged = 0, fetched = 0;
      for (const TraceLine& line : s.Lines())
        if (line.word == "report" && !line.fields.empty()) {
          unchanged += line.fields[0] == "4";
          fetched += line.fields[0] == "0";
        }
      s.Wait(20000);
      const double ownMs = double(agree.ms - clicked + launch.ms - agreed);
      std::printf(
          "installed: present at %ld ms; Launch seen at %ld, Terms shown at %ld, I Agree seen at %ld, launch at "
          "%ld: %.0f ms the launcher's own; %d transfers unchanged (304), %d fetched\n",
          present, clicked, agree.ms, agreed, launch.ms, ownMs, unchanged, fetched);
      if (i == 0) continue;  // the first warms the caches
      start.values.push_back(double(present));
      own.values.push_back(ownMs);
      whole.values.push_back(double(launch.ms - clicked));
    }
    return true;
  }

  bool MeasureIdle(int runs, double seconds, Figure& cpu) {
    for (int i = 0; i < runs; ++i) {
      LauncherSession s(x_);
      if (StartToPresent(s, installed_ + "quorvel.exe", installed_) < 0) return Fail("present", s);
      std::this_thread::sleep_for(std::chrono::seconds(1));
      const double c0 = ProcessCpuSeconds(s.pid());
      const auto t0 = std::chrono::steady_clock::now();
      std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
      const double c1 = ProcessCpuSeconds(s.pid());
      const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
      if (c0 < 0 || c1 < 0) return Fail("reading the launcher's CPU time", s);
      cpu.values.push_back(100 * (c1 - c0) / wall);
      std::printf("at the menu: %.3f s CPU in %.1f s\n", c1 - c0, wall);
    }
    return true;
  }

 private:
  Xvfb x_;
  ServedRelease server_;
  TempDir home_, package_;
  std::vector<std::string> env_;
  std::string installed_;
  int sessions_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  const double idleSeconds = argc > 2 ? std::atof(argv[2]) : 10;
  Bench bench;
  Figure fromPackage{"first present, package, fresh home", "ms"};
  Figure fromInstall{"first present, installed", "ms"};
  Figure own{"Launch to game start, launcher's own", "ms"};
  Figure whole{"Launch to game start, with the clicks", "ms"};
  Figure cpu{"CPU at the menu", "% of a core"};
  const bool ok = bench.Setup() && bench.MeasureStarts(runs, fromPackage) && bench.Install() &&
                  bench.MeasureLaunches(runs, fromInstall, own, whole) && bench.MeasureIdle(3, idleSeconds, cpu);
  for (const Figure* f : {&fromPackage, &fromInstall, &own, &whole, &cpu}) PrintFigure(*f);
  return ok ? 0 : 1;
}
