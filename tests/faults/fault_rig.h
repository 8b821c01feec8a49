// The stage every fault case plays on: one virtual display, nginx serving the
// published releases, an installation package of the first release, and the
// first installation made from it by the real launcher (kept aside and put
// back before each run, so every run starts from the same installed state).
// The player is played by Drive: it agrees to the Terms, confirms, answers
// the retry question as told and acknowledges warnings, and records every
// box it saw. CheckInstallation compares what a run left with a release.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "support/launcher_session.h"
#include "support/peers.h"
#include "support/served_release.h"
#include "support/temp_dir.h"
#include "support/xvfb.h"

// The first release ("v1"): the small game, a folder of many small files, a
// large file and a large file that the second release patches.
GameFiles FaultGameV1();
// The second ("v2", published with v1 as previous): every small file, the
// large file and the version file changed; the patched file changed in the
// middle so that it travels as a patch.
GameFiles FaultGameV2();

class FaultRig {
 public:
  // Built on first use and torn down, peers and folders, when the test
  // program ends; error() says why the stage could not be set up.
  static FaultRig& Get();
  const std::string& error() const { return error_; }

  Xvfb& x() { return x_; }
  ServedRelease& server() { return server_; }
  std::string home() const { return root_ / "home"; }
  // The installation directory, with its final separator.
  std::string installDir() const { return home() + "/share/Tellurant/Quorvel Online/"; }
  std::string packageDir() const { return root_ / "package"; }
  // A folder beside the installation that no run may change.
  std::string outside() const { return home() + "/outside"; }
  std::string gameDir(const std::string& release) const { return server_.root() + "/games/" + release; }
  // The player's own deck as the first installation leaves it (the player edits it).
  static const char* PlayerDeck() { return "the player's own deck\n"; }

  // The launcher's environment: the scratch home and the served addresses
  // (nginx's, or base's: "http://127.0.0.1:N/").
  std::vector<std::string> Env(const std::string& base = "") const;
  // Home becomes the installed first release again (the same paths, so the
  // settings store and the lists still point at it); nothing else survives.
  std::string RestoreInstalled();
  // Home with no installation at all.
  std::string RestoreEmptyHome();

  // A file beside the installation that must survive every run as it is.
  void PlantOutside(const std::string& name, const std::string& contents);
  const std::map<std::string, std::string>& expectedOutside() const { return outsideExpected_; }

  std::mt19937& random() { return random_; }
  unsigned seed() const { return seed_; }

 private:
  FaultRig();
  std::string SetUp();
  Xvfb x_;
  ServedRelease server_;
  TempDir root_;
  std::string error_;
  std::mt19937 random_;
  unsigned seed_ = 0;
  std::map<std::string, std::string> outsideExpected_;
};

// tests/faults/fault_release_server.py over a release folder: faults per file
// name, set by rules ("NAME MODE" lines, "*" for every name) that can change
// while the launcher runs.
class FaultReleasePeer : public Peer {
 public:
  std::string Start(const std::string& releaseDir, const std::string& rules = "");
  void SetRules(const std::string& rules);
  // "NAME MODE" for every request so far.
  std::vector<std::string> Requests() const;
  int RequestsFor(const std::string& name) const;
  std::string base() const { return "http://127.0.0.1:" + std::to_string(port()) + "/"; }
};

// What the player does when the launcher asks.
struct PlayerPolicy {
  bool firstInstall = false;  // click "Install" on the menu
  // Widgets clicked, in order, when the menu of an installed game shows
  // (say "Scan All Files", then "Launch").
  std::vector<std::string> menuClicks;
  // Retry questions answered "Yes" before the rest are answered "No"; beforeRetry
  // runs before each "Yes" (to mend the server, say).
  int retries = 0;
  std::function<void(int retry)> beforeRetry;
};

struct DriveResult {
  bool ended = false;  // the program ended by itself (not killed, not timed out)
  int exitCode = -1;
  int signal = 0;
  std::vector<std::string> dialogs;  // the text of every box shown, in order
  int retryQuestions = 0;
  bool traceEnded = false;  // the program traced its own end
  bool Saw(const std::string& text) const;
  // Ended by itself through its normal end (the trace's "end" line).
  bool ok() const { return ended && traceEnded; }
};

// Starts the package's launcher with args ("-d" is always added, so the game
// is never started), plays the player until the program ends or timeoutMs.
// extraEnv entries come after the rig's and replace its variables of the same name.
bool StartLauncher(FaultRig& rig, LauncherSession& session, std::vector<std::string> args, const std::string& trace,
                   const std::vector<std::string>& extraEnv = {});
DriveResult Drive(LauncherSession& session, const PlayerPolicy& policy, int timeoutMs = 60000);
// Both in one: a whole run.
DriveResult RunLauncher(FaultRig& rig, const std::vector<std::string>& args, const std::string& trace,
                        const PlayerPolicy& policy = {}, const std::vector<std::string>& extraEnv = {},
                        std::string* describe = nullptr, int timeoutMs = 60000);

struct InstallCheck {
  int lost = 0;       // listed files missing or not as released; player files changed
  int leftovers = 0;  // ".ins", ".res", ".tmp", ".tmpNNN" files
  std::vector<std::string> problems;
  std::string Text() const;
};

// Listed files of the second release, other than those whose names start
// with one of except, that hold neither release's version (an update stopped
// half-way leaves files at the first release, never broken), and a changed
// player's deck: their count, with one line each added to problems.
int FilesAtNeitherRelease(FaultRig& rig, const std::vector<std::string>& except, std::string* problems);

// Every file of the release's game folder must be in dir with the same bytes,
// except "decks/" files, which must still hold what the player had (kept);
// nothing under outside may have changed from outsideBefore.
InstallCheck CheckInstallation(const std::string& gameDir, const std::string& dir,
                               const std::map<std::string, std::string>& kept);
// After an uninstallation: no listed file is left except the player's.
InstallCheck CheckUninstalled(const std::string& gameDir, const std::string& dir,
                              const std::map<std::string, std::string>& kept);
// The temporary files of the copy, the transfers and the patches under dir.
// With resumableKept, a body (".res") beside its ".hdr" is not counted: a
// run that was given up keeps what its running transfers had received, and
// the next run resumes it.
std::vector<std::string> LeftoverFiles(const std::string& dir, bool resumableKept = false);
// Relative path to contents of every file under dir ("" for a missing dir).
std::map<std::string, std::string> TreeContents(const std::string& dir);

// Watches a directory tree (folders created later included) and kills a
// process with SIGKILL at the count-th file event whose name passes match,
// delayUs after it. With count 0 it only counts (a calibration run).
class FileEventKiller {
 public:
  FileEventKiller(const std::string& root, uint32_t mask, std::function<bool(const std::string&)> match, int count,
                  int delayUs = 0);
  ~FileEventKiller();
  FileEventKiller(const FileEventKiller&) = delete;
  FileEventKiller& operator=(const FileEventKiller&) = delete;
  void Arm(pid_t pid);
  // Stops watching; the number of matching events seen.
  int Stop();
  bool fired() const { return fired_; }

 private:
  void AddTree(const std::string& dir);
  void Run();
  int fd_ = -1;
  uint32_t mask_;
  std::function<bool(const std::string&)> match_;
  int count_, delayUs_;
  pid_t pid_ = -1;
  std::map<int, std::string> dirs_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> fired_{false};
  std::atomic<int> seen_{0};
  std::thread thread_;
};
