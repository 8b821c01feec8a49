#include "faults/fault_rig.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "support/files.h"

namespace fs = std::filesystem;

namespace {

constexpr int kManyFiles = 80;
constexpr size_t kLargeSize = 3 << 20;

GameFiles FaultGame(const std::string& version) {
  GameFiles files = SmallGame(version);
  for (int i = 0; i < kManyFiles; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "many/m%03d.txt", i);
    files[name] = GameBytes(std::string(name) + version, 700 + 37 * i);
  }
  files["data/large.dat"] = GameBytes("large" + version, kLargeSize);
  // Three more that change together, so that an update runs four large
  // transfers at once.
  for (int i = 1; i <= 3; ++i)
    files["data/large" + std::to_string(i) + ".dat"] = GameBytes("large" + std::to_string(i) + version, kLargeSize);
  std::string patched = GameBytes("patched", kLargeSize);
  if (version != "1.0") patched.replace(kLargeSize / 2, 4096, GameBytes("patched" + version, 4096));
  files["data/patched.dat"] = patched;
  return files;
}

bool EndsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

bool IsLeftoverName(const std::string& name) {
  if (EndsWith(name, ".ins") || EndsWith(name, ".res") || EndsWith(name, ".tmp")) return true;
  const size_t dot = name.rfind(".tmp");
  if (dot == std::string::npos || dot + 4 == name.size()) return false;
  for (size_t i = dot + 4; i < name.size(); ++i)
    if (name[i] < '0' || name[i] > '9') return false;
  return true;
}

std::string CopyTree(const std::string& from, const std::string& to) {
  std::error_code ec;
  fs::remove_all(to, ec);
  fs::copy(from, to, fs::copy_options::recursive | fs::copy_options::copy_symlinks, ec);
  return ec ? "copy " + from + " to " + to + ": " + ec.message() : "";
}

}  // namespace

GameFiles FaultGameV1() { return FaultGame("1.0"); }
GameFiles FaultGameV2() { return FaultGame("2.0"); }

namespace {
// Owns the rig from the first test that asks for it to the end of the test
// program, and tears it down then: its Xvfb, nginx and folders end with the
// program, whichever of its tests made it.
class FaultRigEnvironment : public testing::Environment {
 public:
  void TearDown() override { rig.reset(); }
  std::unique_ptr<FaultRig> rig;
};
FaultRigEnvironment* const rigEnvironment =
    static_cast<FaultRigEnvironment*>(testing::AddGlobalTestEnvironment(new FaultRigEnvironment));
}  // namespace

FaultRig& FaultRig::Get() {
  // Owned before SetUp, which checks the first installation through Get().
  std::unique_ptr<FaultRig>& rig = rigEnvironment->rig;
  if (!rig) {
    rig.reset(new FaultRig);
    rig->error_ = rig->SetUp();
  }
  return *rig;
}

FaultRig::FaultRig() {
  const char* fixed = std::getenv("QUORVEL_FAULT_SEED");
  seed_ = fixed ? unsigned(std::strtoul(fixed, nullptr, 10))
                : unsigned(std::chrono::steady_clock::now().time_since_epoch().count());
  random_.seed(seed_);
}

std::string FaultRig::SetUp() {
  if (!x_.running()) return "Xvfb did not start";
  std::string e;
  if (!(e = server_.Publish("v1", FaultGameV1())).empty()) return e;
  if (!(e = server_.Publish("v2", FaultGameV2(), {"v1"})).empty()) return e;
  if (!(e = server_.Serve("v1")).empty()) return e;
  if (!(e = server_.Start()).empty()) return e;
  if (!(e = server_.Package("v1", packageDir())).empty()) return e;
  if (!(e = RestoreEmptyHome()).empty()) return e;
  std::string describe;
  PlayerPolicy install;
  install.firstInstall = true;
  DriveResult r = RunLauncher(*this, {}, root_ / "first-install.trace", install, {}, &describe);
  if (!r.ok())
    return "the first installation did not finish (exit " + std::to_string(r.exitCode) + ", signal " +
           std::to_string(r.signal) + "):\n" + describe;
  InstallCheck check = CheckInstallation(gameDir("v1"), installDir(), {});
  if (check.lost || check.leftovers) return "the first installation is not as released: " + check.Text();
  // The player's deck differs from the released one, so any rewrite of it shows.
  WriteFileText(installDir() + "decks/starter.deck", PlayerDeck());
  return CopyTree(home(), root_ / "golden");
}

std::vector<std::string> FaultRig::Env(const std::string& base) const {
  std::vector<std::string> env = LauncherHomeEnv(home());
  const std::vector<std::string> servers = LauncherServerEnv(base.empty() ? server_.base() : base);
  env.insert(env.end(), servers.begin(), servers.end());
  return env;
}

std::string FaultRig::RestoreInstalled() {
  outsideExpected_ = {{"canary.txt", "must stay\n"}};
  return CopyTree(root_ / "golden", home());
}

void FaultRig::PlantOutside(const std::string& name, const std::string& contents) {
  WriteFileText(outside() + "/" + name, contents);
  outsideExpected_[name] = contents;
}

std::string FaultRig::RestoreEmptyHome() {
  std::error_code ec;
  fs::remove_all(home(), ec);
  LauncherHomeEnv(home());
  outsideExpected_.clear();
  PlantOutside("canary.txt", "must stay\n");
  return "";
}

std::string FaultReleasePeer::Start(const std::string& releaseDir, const std::string& rules) {
  const std::string script = std::string(QUORVEL_SOURCE_DIR) + "/tests/faults/fault_release_server.py";
  const std::string portFile = dir_ / "port";
  const std::string program = FindProgram("python3");
  if (program.empty()) return "python3 is not installed";
  SetRules(rules);
  WriteFileText(dir_ / "requests.log", "");
  Spawn({program, script, portFile, releaseDir, dir_ / "rules", dir_ / "requests.log"});
  if (!process_.started()) return "cannot start the fault release server";
  for (int i = 0; i < 500 && !FileExists(portFile); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  port_ = uint16_t(std::atoi(ReadFileText(portFile).c_str()));
  if (!port_ || !WaitForPort(port_, 5000)) return "the fault release server did not come up: " + Log();
  return "";
}

void FaultReleasePeer::SetRules(const std::string& rules) {
  // Replaced in one rename, so the server never reads half a table.
  WriteFileText(dir_ / "rules.part", rules);
  fs::rename(dir_ / "rules.part", dir_ / "rules");
}

std::vector<std::string> FaultReleasePeer::Requests() const {
  std::vector<std::string> out;
  const std::string log = ReadFileText(dir_ / "requests.log");
  size_t at = 0;
  for (size_t end; (end = log.find('\n', at)) != std::string::npos; at = end + 1)
    out.push_back(log.substr(at, end - at));
  return out;
}

int FaultReleasePeer::RequestsFor(const std::string& name) const {
  int n = 0;
  for (const std::string& r : Requests()) n += r.rfind(name + " ", 0) == 0 ? 1 : 0;
  return n;
}

bool DriveResult::Saw(const std::string& text) const {
  for (const std::string& d : dialogs)
    if (d.find(text) != std::string::npos) return true;
  return false;
}

bool StartLauncher(FaultRig& rig, LauncherSession& session, std::vector<std::string> args, const std::string& trace,
                   const std::vector<std::string>& extraEnv) {
  args.insert(args.begin(), "-d");
  std::vector<std::string> env = rig.Env();
  for (const std::string& extra : extraEnv) {
    const std::string name = extra.substr(0, extra.find('=') + 1);
    for (auto it = env.begin(); it != env.end();) it = it->rfind(name, 0) == 0 ? env.erase(it) : it + 1;
    env.push_back(extra);
  }
  std::error_code ec;
  fs::remove(trace, ec);
  return session.Start(rig.packageDir() + "/quorvel.exe", args, rig.packageDir(), env, trace);
}

DriveResult Drive(LauncherSession& session, const PlayerPolicy& policy, int timeoutMs) {
  DriveResult result;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  size_t next = 0;
  bool clickedInstall = false;
  bool presented = false;
  bool clickedMenu = false;
  for (;;) {
    const bool running = session.Running();
    std::vector<TraceLine> lines = session.Lines();
    // Nothing is clicked before the window has first been presented: a click
    // before that reaches a window that is not showing yet.
    for (size_t i = 0; i < lines.size() && !presented; ++i)
      presented = lines[i].raw.find(" present") != std::string::npos;
    const size_t shown = presented || !running ? lines.size() : 0;
    for (; next < shown; ++next) {
      const std::string& raw = lines[next].raw;
      if (lines[next].word == "end") result.traceEnded = true;
      if (lines[next].word == "dialog") {
        const std::string text = lines[next].fields.size() > 1 ? lines[next].fields[1] : raw;
        result.dialogs.push_back(text);
        if (text.find("Try again?") != std::string::npos) {
          ++result.retryQuestions;
          if (result.retryQuestions <= policy.retries) {
            if (policy.beforeRetry) policy.beforeRetry(result.retryQuestions);
            session.Click("Yes", 5000);
          } else {
            session.Click("No", 5000);
          }
        } else if (lines[next].fields.size() > 0 && lines[next].fields[0] == "Confirmation Window") {
          session.Click("Yes", 5000);
        } else {
          session.Click("OK", 5000);
        }
      } else if (raw.find("screen TOSWindow enabled") != std::string::npos) {
        session.Click("I Agree", 5000);
      } else if (raw.find("screen InstallWindow enabled") != std::string::npos) {
        session.Click("Next", 5000);
      } else if (!policy.menuClicks.empty() && !clickedMenu &&
                 raw.find("widget button \"Launch\"") != std::string::npos) {
        clickedMenu = true;
        for (const std::string& label : policy.menuClicks) {
          session.Click(label, 5000);
          std::this_thread::sleep_for(std::chrono::milliseconds(150));
        }
      } else if (policy.firstInstall && !clickedInstall && raw.find("widget button \"Install\"") != std::string::npos) {
        clickedInstall = session.Click("Install", 5000);
      }
    }
    if (!running) break;
    if (std::chrono::steady_clock::now() > deadline) {
      session.Signal(SIGKILL);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ProcessResult end = session.Wait(5000);
  result.ended = !end.timedOut && end.signal == 0;
  result.exitCode = end.exitCode;
  result.signal = end.signal;
  return result;
}

DriveResult RunLauncher(FaultRig& rig, const std::vector<std::string>& args, const std::string& trace,
                        const PlayerPolicy& policy, const std::vector<std::string>& extraEnv, std::string* describe,
                        int timeoutMs) {
  LauncherSession session(rig.x());
  if (!StartLauncher(rig, session, args, trace, extraEnv)) return {};
  DriveResult r = Drive(session, policy, timeoutMs);
  if (describe) *describe = session.Describe();
  return r;
}

std::string InstallCheck::Text() const {
  std::string out = std::to_string(lost) + " lost, " + std::to_string(leftovers) + " leftovers";
  for (size_t i = 0; i < problems.size() && i < 20; ++i) out += "\n  " + problems[i];
  return out;
}

std::map<std::string, std::string> TreeContents(const std::string& dir) {
  std::map<std::string, std::string> out;
  std::error_code ec;
  if (!fs::is_directory(dir, ec)) return out;
  for (auto it = fs::recursive_directory_iterator(dir, ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec)) {
    if (it->is_symlink()) {
      out[fs::relative(it->path(), dir).string()] = "symlink " + fs::read_symlink(it->path(), ec).string();
    } else if (it->is_regular_file()) {
      out[fs::relative(it->path(), dir).string()] = ReadFileText(it->path());
    }
  }
  return out;
}

std::vector<std::string> LeftoverFiles(const std::string& dir, bool resumableKept) {
  std::vector<std::string> out;
  std::error_code ec;
  if (!fs::is_directory(dir, ec)) return out;
  for (auto it = fs::recursive_directory_iterator(dir, ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (it->is_directory() || !IsLeftoverName(name)) continue;
    if (resumableKept && EndsWith(name, ".res") &&
        fs::exists(it->path().parent_path() / (name.substr(0, name.size() - 4) + ".hdr"), ec))
      continue;
    out.push_back(fs::relative(it->path(), dir).string());
  }
  return out;
}

namespace {

void CheckOutside(const std::string& dir, InstallCheck* check) {
  (void)dir;
  FaultRig& rig = FaultRig::Get();
  const auto now = TreeContents(rig.outside());
  if (now == rig.expectedOutside()) return;
  ++check->lost;
  std::string what;
  for (const auto& [name, contents] : now) {
    const auto was = rig.expectedOutside().find(name);
    if (was == rig.expectedOutside().end()) what += " " + name + " appeared;";
    else if (was->second != contents) what += " " + name + " changed;";
  }
  for (const auto& [name, contents] : rig.expectedOutside())
    if (!now.count(name)) what += " " + name + " was deleted;";
  check->problems.push_back("the folder outside the installation changed:" + what);
}

// What every check shares: the player's files as they were, no work files
// left, nothing outside the installation touched.
void CheckKeptLeftoversAndOutside(const std::string& dir, const std::map<std::string, std::string>& kept,
                                  InstallCheck* check) {
  for (const auto& [name, contents] : kept) {
    if (ReadFileText(dir + name) != contents) {
      ++check->lost;
      check->problems.push_back("the player's " + name + " changed");
    }
  }
  for (const std::string& name : LeftoverFiles(dir)) {
    ++check->leftovers;
    check->problems.push_back("leftover " + name);
  }
  CheckOutside(dir, check);
}

}  // namespace

int FilesAtNeitherRelease(FaultRig& rig, const std::vector<std::string>& except, std::string* problems) {
  int lost = 0;
  const auto v1 = TreeContents(rig.gameDir("v1"));
  for (const auto& [name, contents] : TreeContents(rig.gameDir("v2"))) {
    bool skip = name.rfind("decks/", 0) == 0;
    for (const std::string& e : except) skip = skip || name.rfind(e, 0) == 0;
    if (skip) continue;
    const std::string have = ReadFileText(rig.installDir() + name);
    const auto old = v1.find(name);
    if (have != contents && (old == v1.end() || have != old->second)) {
      ++lost;
      *problems += name + " is at neither release\n";
    }
  }
  if (ReadFileText(rig.installDir() + "decks/starter.deck") != FaultRig::PlayerDeck()) {
    ++lost;
    *problems += "the player's deck changed\n";
  }
  return lost;
}

InstallCheck CheckInstallation(const std::string& gameDir, const std::string& dir,
                               const std::map<std::string, std::string>& kept) {
  InstallCheck check;
  for (const auto& [name, contents] : TreeContents(gameDir)) {
    if (name.rfind("decks/", 0) == 0) continue;
    std::error_code ec;
    if (fs::is_symlink(dir + name, ec)) {
      ++check.lost;
      check.problems.push_back(name + " is a symbolic link");
    } else if (!FileExists(dir + name)) {
      ++check.lost;
      check.problems.push_back(name + " is missing");
    } else if (ReadFileText(dir + name) != contents) {
      ++check.lost;
      check.problems.push_back(name + " is not as released");
    }
  }
  CheckKeptLeftoversAndOutside(dir, kept, &check);
  return check;
}

InstallCheck CheckUninstalled(const std::string& gameDir, const std::string& dir,
                              const std::map<std::string, std::string>& kept) {
  InstallCheck check;
  for (const auto& [name, contents] : TreeContents(gameDir)) {
    if (name.rfind("decks/", 0) == 0) continue;
    if (FileExists(dir + name)) {
      ++check.lost;  // counted with the lost: the installation is not in the state it must be
      check.problems.push_back(name + " was not removed");
    }
  }
  CheckKeptLeftoversAndOutside(dir, kept, &check);
  return check;
}

FileEventKiller::FileEventKiller(const std::string& root, uint32_t mask, std::function<bool(const std::string&)> match,
                                 int count, int delayUs)
    : mask_(mask), match_(std::move(match)), count_(count), delayUs_(delayUs) {
  fd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (fd_ >= 0) AddTree(root);
}

FileEventKiller::~FileEventKiller() {
  Stop();
  if (fd_ >= 0) close(fd_);
}

void FileEventKiller::AddTree(const std::string& dir) {
  const int wd = inotify_add_watch(fd_, dir.c_str(), mask_ | IN_CREATE | IN_ONLYDIR);
  if (wd < 0) return;
  dirs_[wd] = dir;
  std::error_code ec;
  for (auto it = fs::directory_iterator(dir, ec); !ec && it != fs::directory_iterator(); it.increment(ec))
    if (it->is_directory() && !it->is_symlink()) AddTree(it->path().string());
}

void FileEventKiller::Arm(pid_t pid) {
  pid_ = pid;
  thread_ = std::thread([this] { Run(); });
}

int FileEventKiller::Stop() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
  return seen_;
}

void FileEventKiller::Run() {
  alignas(inotify_event) char buffer[16384];
  while (!stop_ && !fired_) {
    pollfd p{fd_, POLLIN, 0};
    if (poll(&p, 1, 50) <= 0) continue;
    const ssize_t n = read(fd_, buffer, sizeof buffer);
    for (ssize_t at = 0; at < n;) {
      const auto* ev = reinterpret_cast<const inotify_event*>(buffer + at);
      at += sizeof(inotify_event) + ev->len;
      const std::string name = ev->len ? ev->name : "";
      const auto dir = dirs_.find(ev->wd);
      if ((ev->mask & IN_CREATE) && (ev->mask & IN_ISDIR) && dir != dirs_.end()) AddTree(dir->second + "/" + name);
      if (!(ev->mask & mask_) || name.empty() || !match_(name)) continue;
      const int seen = ++seen_;
      if (count_ > 0 && seen == count_ && !fired_) {
        if (delayUs_ > 0) usleep(delayUs_);
        kill(pid_, SIGKILL);
        fired_ = true;
        break;
      }
    }
  }
}
