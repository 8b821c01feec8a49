// The launcher killed with SIGKILL in the middle of its work, at a moment
// drawn at random among the file events of that work (a calibration run
// counts them), then started again as the player would. The restart must
// finish the work: every listed file as released, the player's deck as it
// was, nothing outside the installation touched, no temporary file left.
#include <gtest/gtest.h>
#include <sys/inotify.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>

#include "faults/fault_rig.h"
#include "faults/fault_table.h"
#include "support/files.h"

namespace fs = std::filesystem;

namespace {

bool Contains(const std::string& s, const char* part) { return s.find(part) != std::string::npos; }
bool EndsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

constexpr uint32_t kWrites = IN_CREATE | IN_MODIFY | IN_CLOSE_WRITE | IN_MOVED_FROM | IN_MOVED_TO | IN_DELETE;

struct KillCase {
  const char* name;
  bool firstInstall = false;  // from an empty home with the package; else from the installed first release
  const char* serve = "v2";   // the release the server offers
  bool uninstall = false;
  uint32_t mask = kWrites;
  std::function<bool(const std::string&)> match;
  // At least one kill must cut this many bodies (".res") off at once.
  int cutBodies = 0;
};

// Bodies a killed run left in the installation's data folder.
int BodiesLeft(FaultRig& rig) {
  int n = 0;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(rig.installDir() + "data", ec))
    if (EndsWith(e.path().filename().string(), ".res")) ++n;
  return n;
}

// True while the launcher will take the folder for an installation: the
// settings store names it and the launcher is in it.
bool StillInstalled(FaultRig& rig) {
  if (!FileExists(rig.installDir() + "quorvel.exe")) return false;
  const std::string settings = ReadFileText(rig.home() + "/registry.txt");
  const size_t at = settings.find("InstallationDirectory");
  if (at == std::string::npos) return false;
  const size_t end = settings.find('\n', at);
  return settings.substr(at, end - at).find(rig.installDir().substr(0, 20)) != std::string::npos;
}

std::string Prepare(FaultRig& rig, const KillCase& c) {
  std::string e = c.firstInstall ? rig.RestoreEmptyHome() : rig.RestoreInstalled();
  if (e.empty()) e = rig.server().Serve(c.serve);
  return e;
}

DriveResult RunOnce(FaultRig& rig, const KillCase& c, FileEventKiller* killer, const std::string& trace,
                    std::string* describe) {
  PlayerPolicy policy;
  policy.firstInstall = !StillInstalled(rig);
  LauncherSession session(rig.x());
  if (!StartLauncher(rig, session, {c.uninstall ? "-u" : "-a"}, trace)) return {};
  if (killer) killer->Arm(session.pid());
  DriveResult r = Drive(session, policy);
  if (describe) *describe = session.Describe();
  return r;
}

InstallCheck Judge(FaultRig& rig, const KillCase& c) {
  std::map<std::string, std::string> kept{
      {"decks/starter.deck", c.firstInstall ? std::string("starter deck\n") : std::string(FaultRig::PlayerDeck())}};
  const std::string game = rig.gameDir(c.serve);
  return c.uninstall ? CheckUninstalled(game, rig.installDir(), kept) : CheckInstallation(game, rig.installDir(), kept);
}

void RunKillCase(const KillCase& c) {
  FaultRig& rig = FaultRig::Get();
  ASSERT_EQ(rig.error(), "");
  const std::string root = rig.home() + "/share";
  // Calibration: an uninterrupted run counts the events a kill may fall on.
  ASSERT_EQ(Prepare(rig, c), "");
  int events = 0;
  {
    FileEventKiller counter(root, c.mask, c.match, 0);
    std::string describe;
    DriveResult r = RunOnce(rig, c, &counter, rig.home() + "/../calibration.trace", &describe);
    events = counter.Stop();
    ASSERT_TRUE(r.ok()) << describe;
    InstallCheck check = Judge(rig, c);
    ASSERT_EQ(check.lost + check.leftovers, 0) << "uninterrupted run: " << check.Text();
  }
  ASSERT_GT(events, 0) << c.name << ": the work to interrupt was never seen";

  const int runs = FaultRuns(3);
  int fired = 0, mostCut = 0;
  for (int run = 0; run < runs; ++run) {
    ASSERT_EQ(Prepare(rig, c), "");
    // The count varies from run to run (a loaded machine reads in smaller
    // pieces), so the moment is drawn from the first three quarters.
    const int at = std::uniform_int_distribution<int>(1, std::max(1, events * 3 / 4))(rig.random());
    const int delayUs = std::uniform_int_distribution<int>(0, 3000)(rig.random());
    std::string killedDescribe, describe;
    bool killed = false;
    {
      FileEventKiller killer(root, c.mask, c.match, at, delayUs);
      RunOnce(rig, c, &killer, rig.home() + "/../killed.trace", &killedDescribe);
      killer.Stop();
      killed = killer.fired();
    }
    fired += killed ? 1 : 0;
    if (killed) mostCut = std::max(mostCut, BodiesLeft(rig));
    // The restart, run normally (an uninstallation already complete has
    // nothing left to restart).
    bool recovered = true;
    if (!c.uninstall || StillInstalled(rig)) {
      DriveResult again = RunOnce(rig, c, nullptr, rig.home() + "/../restart.trace", &describe);
      recovered = again.ok();
    }
    InstallCheck check = Judge(rig, c);
    RecordFaultRun(c.name, recovered, check.lost, check.leftovers);
    const std::string where = std::string(c.name) + " run " + std::to_string(run) + " (seed " +
                              std::to_string(rig.seed()) + ", event " + std::to_string(at) + " of " +
                              std::to_string(events) + ", killed " + (killed ? "yes" : "no") + ")";
    EXPECT_TRUE(recovered) << where << "\n" << describe;
    EXPECT_EQ(check.lost, 0) << where << ": " << check.Text() << "\nkilled run:\n" << killedDescribe;
    EXPECT_EQ(check.leftovers, 0) << where << ": " << check.Text();
    if (testing::Test::HasFailure()) return;
  }
  EXPECT_GT(fired, 0) << c.name << ": no run was interrupted";
  EXPECT_GE(mostCut, c.cutBodies) << c.name << ": no kill fell while that many transfers ran";
}

}  // namespace

TEST(KilledLauncher, DuringThePackageCopy) {
  KillCase c;
  c.name = "kill: package copy";
  c.firstInstall = true;
  c.serve = "v1";
  c.match = [](const std::string& n) { return EndsWith(n, ".ins"); };
  RunKillCase(c);
}

TEST(KilledLauncher, DuringTheDownloadOfALargeFile) {
  KillCase c;
  c.name = "kill: large download";
  c.match = [](const std::string& n) { return n.rfind("large.dat", 0) == 0; };
  RunKillCase(c);
}

// Every cut-off body is resumed or fetched again by the restart.
TEST(KilledLauncher, DuringFourParallelDownloads) {
  KillCase c;
  c.name = "kill: 4 parallel downloads";
  c.match = [](const std::string& n) { return n.rfind("large", 0) == 0 && EndsWith(n, ".res"); };
  c.cutBodies = 2;
  RunKillCase(c);
}

TEST(KilledLauncher, DuringTheDownloadsOfManySmallFiles) {
  KillCase c;
  c.name = "kill: many small downloads";
  c.match = [](const std::string& n) { return n.size() > 4 && n[0] == 'm' && n[1] == '0'; };
  RunKillCase(c);
}

TEST(KilledLauncher, DuringAPatchApplication) {
  KillCase c;
  c.name = "kill: patch application";
  c.match = [](const std::string& n) { return Contains(n, "patched.dat") || EndsWith(n, ".pat"); };
  RunKillCase(c);
}

TEST(KilledLauncher, DuringTheSucceedFileWrite) {
  KillCase c;
  c.name = "kill: succeed-file write";
  c.match = [](const std::string& n) { return n.rfind("succeed", 0) == 0; };
  RunKillCase(c);
}

TEST(KilledLauncher, DuringTheUninstallation) {
  KillCase c;
  c.name = "kill: uninstallation";
  c.serve = "v1";
  c.uninstall = true;
  c.mask = IN_DELETE;
  c.match = [](const std::string&) { return true; };
  RunKillCase(c);
}

// What killed runs leave, planted by hand: stale raw responses, a staging
// copy and a body beside files that are right, a patch backup beside a
// missing target and one beside a damaged target. The next update removes
// the work files and restores each backup, so both files are patched
// instead of being fetched whole.
TEST(KilledLauncher, LeftoversAreRemovedAndPatchBackupsRestored) {
  FaultRig& rig = FaultRig::Get();
  ASSERT_EQ(rig.error(), "");
  ASSERT_EQ(rig.RestoreInstalled(), "");
  ASSERT_EQ(rig.server().Serve("v2"), "");
  const std::string dir = rig.installDir();
  WriteFileText(dir + "many/m001.txt.tmp4242", "HTTP/1.1 200 OK\r\n\r\nhalf");
  WriteFileText(dir + "many/m001.txt.tmp77", "HTTP/1.1 200 OK\r\n");
  WriteFileText(dir + "data/file3.dat.ins", "half a copy");
  WriteFileText(dir + "data/file4.dat.res", "a body never put in place");
  fs::rename(dir + "data/patched.dat", dir + "data/patched.dat.tmp");
  fs::copy_file(dir + "data/big.dat", dir + "data/big.dat.tmp");
  WriteFileText(dir + "data/big.dat", "damaged by a patch cut short");
  std::string describe;
  LauncherSession session(rig.x());
  ASSERT_TRUE(StartLauncher(rig, session, {"-a"}, rig.home() + "/../leftovers.trace"));
  DriveResult r = Drive(session, {});
  const InstallCheck check =
      CheckInstallation(rig.gameDir("v2"), dir, {{"decks/starter.deck", FaultRig::PlayerDeck()}});
  RecordFaultRun("leftovers planted", r.ok(), check.lost, check.leftovers);
  EXPECT_TRUE(r.ok()) << session.Describe();
  EXPECT_EQ(check.lost, 0) << check.Text();
  EXPECT_EQ(check.leftovers, 0) << check.Text();
  EXPECT_FALSE(session.Seen("report 0 \"data/patched.dat\"")) << "restored from its backup and patched\n"
                                                              << session.Describe();
  EXPECT_FALSE(session.Seen("report 0 \"data/big.dat\"")) << session.Describe();
  EXPECT_TRUE(session.Seen(".pat\"")) << session.Describe();
}
