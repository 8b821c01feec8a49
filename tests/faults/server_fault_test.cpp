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
// may leave a file at the first, never broken), and no work file is left but
// the bodies kept for a resume.
InstallCheck CheckOldOrNew(FaultRig& rig) {
  InstallCheck check;
  check.leftovers = int(LeftoverFiles(rig.installDir(), true).size());
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
    const InstallCheck check =
        CheckInstallation(rig.gameDir("v2"), rig.installDir(), {{"decks/starter.deck", FaultRig::PlayerDeck()}});
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

// How the server and a proxy treat kept connections: the update ends without
// a question and with every file right, and a connection carries several
// requests only where the server keeps it and MaxConnections allows it.
struct ConnectionFault {
  const char* name;
  std::string rules;
  const char* maxConnections;  // stored MaxConnections, or null for none
  bool reused;
  bool viaTinyproxy = false;
};

void RunConnectionFault(const ConnectionFault& f) {
  SCOPED_TRACE(f.name);
  FaultRig& rig = FaultRig::Get();
  ASSERT_EQ(rig.error(), "");
  ASSERT_EQ(rig.RestoreInstalled(), "");
  FaultReleasePeer server;
  ASSERT_EQ(server.Start(rig.server().release("v2"), f.rules), "");
  TinyproxyPeer proxy;
  std::vector<std::tuple<std::string, std::string, bool>> settings;
  if (f.maxConnections) settings.emplace_back("MaxConnections", f.maxConnections, true);
  if (f.viaTinyproxy) {
    ASSERT_EQ(proxy.Start("", ""), "");
    settings.insert(settings.end(), {{"ProxyAddress", "127.0.0.1", false},
                                     {"ProxyPort", std::to_string(proxy.port()), true},
                                     {"UseProxy", "1", true}});
  }
  for (const auto& [name, value, dword] : settings) {
    std::vector<std::string> args{"settings", "set", kSettingsKey, name, value};
    if (dword) args.push_back("--dword");
    ProcessResult r = RunTool(args, "", {}, {"QUORVEL_REGISTRY=" + rig.home() + "/registry.txt"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
  }
  PlayerPolicy policy;  // "No" to a question: there must be none
  std::string describe;
  DriveResult r = RunLauncher(rig, {"-a"}, rig.home() + "/../connection-fault.trace", policy,
                              LauncherServerEnv(server.base()), &describe);
  const InstallCheck check = CheckOldOrNew(rig);
  RecordFaultRun(f.name, r.ok() && r.retryQuestions == 0, check.lost, check.leftovers);
  EXPECT_TRUE(r.ok()) << describe;
  EXPECT_EQ(r.retryQuestions, 0) << describe;
  EXPECT_EQ(check.lost, 0) << check.Text();
  EXPECT_EQ(check.leftovers, 0) << check.Text();
  int connects = 0, requests = 0;
  for (const std::string& line : server.Requests()) ++(line.rfind("@connect ", 0) == 0 ? connects : requests);
  if (f.reused) EXPECT_LT(connects * 2, requests) << connects << " connections for " << requests << " requests";
  else EXPECT_GE(connects, requests) << connects << " connections for " << requests << " requests";
}

}  // namespace

TEST(ServerFaults, KeptConnectionsWhateverTheServerOrProxyDoesWithThem) {
  const ConnectionFault cases[] = {
      {"connection: kept", "@connection keep\n", nullptr, true},
      {"connection: server closes every third", "@connection drop3\n", nullptr, true},
      {"connection: server ignores keep-alive", "@connection ignore\n", nullptr, false},
      {"connection: proxy closes after each answer", "@connection keep\n", nullptr, false, true},
      {"connection: MaxConnections 0 is 1", "@connection keep\n", "0", false},
      {"connection: MaxConnections 1000 is 16", "@connection keep\n", "1000", true},
  };
  for (const ConnectionFault& f : cases) {
    RunConnectionFault(f);
    if (testing::Test::HasFailure()) return;
  }
}

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
