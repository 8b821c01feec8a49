// The server misbehaves while the installed first release updates to the
// second: each fault must end in the retry question (or a warning), never in
// a loop the player is not asked about, never in a broken file; once the
// server is mended, answering "Yes" finishes the update.
#include <gtest/gtest.h>

#include <string>

#include "faults/fault_rig.h"
#include "faults/fault_table.h"
#include "support/files.h"
#include "support/process.h"

namespace {

constexpr const char* kSettingsKey = "HKEY_CURRENT_USER\\Software\\Quorvel Online";

// Every listed file holds one of the two releases' versions (a refused update
// may leave a file at the first, never broken), and no work file is left.
InstallCheck CheckOldOrNew(FaultRig& rig) {
  InstallCheck check;
  check.leftovers =
      CheckInstallation(rig.gameDir("v2"), rig.installDir(), {{"decks/starter.deck", FaultRig::PlayerDeck()}}).leftovers;
  std::string problems;
  check.lost = FilesAtNeitherRelease(rig, {}, &problems);
  if (!problems.empty()) check.problems.push_back(problems);
  return check;
}

struct ServerFault {
  const char* name;
  std::string rules;   // the fault
  std::string target;  // the file whose requests are counted
  bool viaProxy = false;
};

// The update against the faulty server: the first question is answered "Yes"
// with the fault still there (it must come back as a question), the second
// "Yes" after the server is mended; the update must then finish.
void RunServerFault(const ServerFault& f) {
  FaultRig& rig = FaultRig::Get();
  ASSERT_EQ(rig.error(), "");
  const int runs = FaultRuns(1);
  for (int run = 0; run < runs; ++run) {
    ASSERT_EQ(rig.RestoreInstalled(), "");
    FaultReleasePeer server;
    ASSERT_EQ(server.Start(rig.server().release("v2"), f.rules), "");
    std::vector<std::string> env = LauncherServerEnv(server.base());
    if (f.viaProxy) {
      // The fault server is the proxy as well: every request goes to it.
      const std::string registry = "QUORVEL_REGISTRY=" + rig.home() + "/registry.txt";
      for (const auto& [name, value, dword] :
           std::vector<std::tuple<std::string, std::string, bool>>{{"ProxyAddress", "127.0.0.1", false},
                                                                   {"ProxyPort", std::to_string(server.port()), true},
                                                                   {"UseProxy", "1", true}}) {
        std::vector<std::string> args{"settings", "set", kSettingsKey, name, value};
        if (dword) args.push_back("--dword");
        ProcessResult r = RunTool(args, "", {}, {registry});
        ASSERT_EQ(r.exitCode, 0) << r.err;
      }
    }
    int brokenRequests = 0;
    PlayerPolicy policy;
    policy.retries = 2;
    policy.beforeRetry = [&](int retry) {
      if (retry != 2) return;
      brokenRequests = server.RequestsFor(f.target);
      server.SetRules("");
    };
    std::string describe;
    DriveResult r = RunLauncher(rig, {"-a"}, rig.home() + "/../server-fault.trace", policy, env, &describe);
    const InstallCheck check = CheckInstallation(rig.gameDir("v2"), rig.installDir(), {{"decks/starter.deck", FaultRig::PlayerDeck()}});
    const bool recovered = r.ok() && r.retryQuestions == 2 && check.lost == 0;
    RecordFaultRun(f.name, recovered, check.lost, check.leftovers);
    EXPECT_TRUE(r.ok()) << describe;
    EXPECT_EQ(r.retryQuestions, 2) << "the fault is asked about, and again after a retry that fails\n" << describe;
    // The window retries a failed file on its own only a few times before it asks.
    EXPECT_GT(brokenRequests, 0) << describe;
    EXPECT_LE(brokenRequests, 8) << "requests for " << f.target << " before the player was asked twice";
    EXPECT_EQ(check.lost, 0) << check.Text() << "\n" << describe;
    EXPECT_EQ(check.leftovers, 0) << check.Text();
    if (testing::Test::HasFailure()) return;
  }
}

// The player gives up: the update ends with the warning, and no file is broken.
void RunServerFaultRefused(const ServerFault& f) {
  FaultRig& rig = FaultRig::Get();
  ASSERT_EQ(rig.error(), "");
  ASSERT_EQ(rig.RestoreInstalled(), "");
  FaultReleasePeer server;
  ASSERT_EQ(server.Start(rig.server().release("v2"), f.rules), "");
  PlayerPolicy policy;  // "No" at the first question
  std::string describe;
  DriveResult r = RunLauncher(rig, {"-a"}, rig.home() + "/../server-refused.trace", policy,
                              LauncherServerEnv(server.base()), &describe);
  const InstallCheck check = CheckOldOrNew(rig);
  RecordFaultRun(std::string(f.name) + ", refused", r.ended && r.retryQuestions == 1, check.lost, check.leftovers);
  EXPECT_TRUE(r.ended) << describe;
  EXPECT_EQ(r.retryQuestions, 1) << describe;
  EXPECT_TRUE(r.Saw("Critical files were not downloaded")) << describe;
  EXPECT_EQ(check.lost, 0) << check.Text();
  EXPECT_EQ(check.leftovers, 0) << check.Text();
}

}  // namespace

TEST(ServerFaults, Status500) { RunServerFault({"server: 500", "many/m005.txt 500\n", "many/m005.txt"}); }
TEST(ServerFaults, Status503) { RunServerFault({"server: 503", "data/large.dat 503\n", "data/large.dat"}); }
TEST(ServerFaults, BodyCutOff) { RunServerFault({"server: body cut off", "data/large.dat cut\n", "data/large.dat"}); }
TEST(ServerFaults, WrongBodyEveryTime) {
  RunServerFault({"server: wrong body (digest mismatch)", "many/m007.txt wrong\n", "many/m007.txt"});
}
TEST(ServerFaults, UpdatedListVanishes) {
  RunServerFault({"server: list vanishes (404)", "updated.lst 404\n", "updated.lst"});
}
TEST(ServerFaults, ProxyDemandsAuthenticationForEveryRequest) {
  ServerFault f{"server: proxy 407 to every request", "* 407\n", "tos.txt"};
  f.viaProxy = true;
  RunServerFault(f);
}
TEST(ServerFaults, TenGigabyteContentLengthForASmallFile) {
  RunServerFault({"hostile: 10 GB Content-Length", "many/m003.txt huge\n", "many/m003.txt"});
}
TEST(ServerFaults, RefusedRetryLeavesNoBrokenFile) {
  RunServerFaultRefused({"server: body cut off", "data/large.dat cut\n", "data/large.dat"});
}
