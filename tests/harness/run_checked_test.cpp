// scripts/run-checked, under which scripts/test runs the suite: a run that
// leaves a process or a folder behind fails, names each, and they are gone
// afterwards; a run that leaves nothing keeps the command's own status. The
// leaks come from a program built for this test alone (tests/leaky).
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "support/process.h"

namespace fs = std::filesystem;

namespace {
// Running, and not a zombie waiting to be reaped.
bool Alive(pid_t pid) {
  std::istringstream stat(ReadFileText("/proc/" + std::to_string(pid) + "/stat"));
  std::string skip, state;
  stat >> skip >> skip >> state;
  return !state.empty() && state != "Z";
}
}  // namespace

TEST(RunChecked, FailsARunThatLeavesAProcessOrAFolderNamesThemAndEndsThem) {
  struct Case {
    std::vector<std::string> leaks;
    int status;
  };
  const Case cases[] = {
      {{}, 0}, {{"fail"}, 3}, {{"process"}, 1}, {{"folder"}, 1}, {{"folder", "fail"}, 3},
  };
  for (const Case& c : cases) {
    std::string name;
    for (const std::string& l : c.leaks) name += l + " ";
    SCOPED_TRACE(name);
    TempDir tmp;
    std::vector<std::string> argv{"/bin/bash", std::string(QUORVEL_SOURCE_DIR) + "/scripts/run-checked", LEAKY_TEST};
    argv.insert(argv.end(), c.leaks.begin(), c.leaks.end());
    const ProcessResult r = RunProcess(argv, {"TMPDIR=" + tmp.path()}, "", 60000);
    EXPECT_EQ(r.exitCode, c.status) << r.err;

    std::istringstream left(r.out);
    std::string kind, what;
    size_t leaked = 0;
    while (left >> kind >> what) {
      ++leaked;
      if (kind == "process") {
        EXPECT_NE(r.err.find("left running: pid " + what + ": sleep 600\n"), std::string::npos) << r.err;
        EXPECT_FALSE(Alive(std::stoi(what)));
        if (Alive(std::stoi(what))) kill(std::stoi(what), SIGKILL);
      } else {
        EXPECT_NE(r.err.find("left in the temporary folder: " + what + " ("), std::string::npos) << r.err;
        EXPECT_FALSE(fs::exists(what));
      }
    }
    EXPECT_EQ(leaked, c.leaks.size() - std::count(c.leaks.begin(), c.leaks.end(), "fail"));
    if (!leaked) EXPECT_EQ(r.err, "");
    EXPECT_TRUE(fs::is_empty(tmp.path())) << "the run's own temporary folder is removed";
  }
}
