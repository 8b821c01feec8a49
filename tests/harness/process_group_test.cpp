// What a test starts ends with it: a program's process group goes with it
// whether the program is stopped or ends by itself, and a test process
// killed with SIGKILL while its servers, its X server and a forked part of
// itself run leaves none of them behind. Processes are found by a variable that only this test's
// children carry in their environment.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <thread>

#include "support/launcher_session.h"
#include "support/peers.h"

namespace fs = std::filesystem;

namespace {
// The names of the live processes whose environment holds entry, one per
// line, once done accepts them (or as they are after timeoutMs).
std::string NamesWith(const std::string& entry, const std::function<bool(const std::string&)>& done,
                      int timeoutMs = 10000) {
  const std::string wanted = std::string(1, '\0') + entry + std::string(1, '\0');
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    std::string names;
    std::error_code ec;
    for (const auto& p : fs::directory_iterator("/proc", ec))
      if ((std::string(1, '\0') + ReadFileText(p.path() / "environ")).find(wanted) != std::string::npos)
        names += ReadFileText(p.path() / "comm");
    if (done(names) || std::chrono::steady_clock::now() > deadline) return names;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

bool None(const std::string& names) { return names.empty(); }

size_t Count(const std::string& names, const std::string& name) {
  size_t n = 0;
  for (size_t at = 0; (at = names.find(name + "\n", at)) != std::string::npos; at += name.size()) ++n;
  return n;
}
}  // namespace

TEST(ProcessGroup, WhatAProgramLeftInItsGroupEndsWithIt) {
  for (const bool stopped : {true, false}) {
    SCOPED_TRACE(stopped ? "stopped" : "ended by itself");
    TempDir dir;
    const std::string tag = "QUORVEL_GROUP_TAG=" + dir.path();
    const std::string script = std::string("sleep 600 & echo started > started") + (stopped ? "; wait" : "");
    ChildProcess p = StartProcess({"/bin/sh", "-c", script}, {tag}, dir.path());
    ASSERT_EQ(WaitForFileContaining(dir / "started", "started\n"), "started\n");
    const std::string before = NamesWith(tag, [](const std::string& n) { return Count(n, "sleep") == 1; });
    EXPECT_EQ(Count(before, "sleep"), 1u) << before;
    if (stopped) p.Stop();
    else EXPECT_EQ(p.Wait(5000).exitCode, 0);
    EXPECT_EQ(NamesWith(tag, None), "");
  }
}

// Run only by the test below, as the test process that it kills.
TEST(ProcessGroup, DISABLED_VictimStartsServersAndWaits) {
  const char* ready = std::getenv("QUORVEL_VICTIM_READY");
  ASSERT_NE(ready, nullptr);
  TempDir site;
  NginxPeer nginx;
  ASSERT_EQ(nginx.Start(site.path()), "");
  ApachePeer apache;
  ASSERT_EQ(apache.Start(site.path()), "");
  Xvfb x;
  ASSERT_TRUE(x.running());
  const pid_t part = ForkChild();
  ASSERT_GE(part, 0);
  if (part == 0) {
    pause();
    _exit(0);
  }
  WriteFileText(ready, "ready\n");
  std::this_thread::sleep_for(std::chrono::minutes(2));
}

// Apache's workers change their user, which clears their parent-death
// signal: the keeper ends them.
TEST(ProcessGroup, ATestKilledWhileItsServersRunLeavesNoneBehind) {
  TempDir dir;
  const std::string tag = "QUORVEL_VICTIM_READY=" + dir / "ready";
  ChildProcess victim = StartProcess(
      {fs::read_symlink("/proc/self/exe").string(), "--gtest_filter=ProcessGroup.DISABLED_VictimStartsServersAndWaits",
       "--gtest_also_run_disabled_tests"},
      {tag, "TMPDIR=" + dir.path()}, dir.path(), dir / "out", dir / "out");
  ASSERT_EQ(WaitForFileContaining(dir / "ready", "ready\n", 30000), "ready\n") << ReadFileText(dir / "out");
  const std::string running = NamesWith(tag, [](const std::string& n) {
    return Count(n, "nginx") == 1 && Count(n, "Xvfb") == 1 && Count(n, "apache2") >= 2;
  });
  EXPECT_EQ(Count(running, "harness_tests"), 3u) << "the victim, its keeper and its forked part:\n" << running;
  EXPECT_EQ(Count(running, "nginx"), 1u) << running;
  EXPECT_EQ(Count(running, "Xvfb"), 1u) << running;
  EXPECT_GE(Count(running, "apache2"), 2u) << "the server and its workers:\n" << running;

  victim.Signal(SIGKILL);
  EXPECT_EQ(victim.Wait(5000).signal, SIGKILL);
  EXPECT_EQ(NamesWith(tag, None), "") << "left running";
}
