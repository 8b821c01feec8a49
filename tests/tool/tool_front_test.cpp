// quorvel-tool as users start it: what it loads, which commands it runs
// itself and how it hands the others to quorvel-tool-full.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "support/process.h"

namespace {

// A command that draws nothing maps the C library alone: nothing of the
// window system, fonts, images, proxy detection, the archive writer or a
// shared libcrypto.
TEST(ToolFront, LoadsOnlyTheCLibrary) {
  const ProcessResult r = RunTool({}, "", {}, {"LD_TRACE_LOADED_OBJECTS=1"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  std::istringstream lines(r.out);
  int count = 0;
  for (std::string line; std::getline(lines, line); ++count) {
    SCOPED_TRACE(line);
    EXPECT_TRUE(line.find("linux-vdso.so") != std::string::npos || line.find("libc.so.") != std::string::npos ||
                line.find("libm.so.") != std::string::npos || line.find("ld-linux") != std::string::npos);
  }
  EXPECT_GT(count, 0);
}

// Through the front every command line ends as it does in the full tool.
// A front without its sibling still runs its own commands, and refuses the
// rest (the usage text included) naming the program it could not start.
TEST(ToolFront, RunsItsCommandsAndHandsOverTheRest) {
  TempDir dir;
  const std::string digested = dir / "four";
  WriteFileText(digested, "four");
  const std::string lone = dir / "quorvel-tool";
  std::filesystem::copy_file(QUORVEL_TOOL, lone);

  struct Row {
    std::vector<std::string> args;
    bool front;  // run by the front itself
  } rows[] = {
      {{"md5", digested}, true},    {{"md5", dir / "missing"}, true},
      {{"lzs", "--help"}, true},    {{"verify", "--help"}, false},
      {{"--help"}, false},          {{}, false},
      {{"no-such-command"}, false},
  };
  for (const Row& row : rows) {
    std::string line;
    for (const std::string& a : row.args) line += a + " ";
    SCOPED_TRACE(line);
    std::vector<std::string> full{QUORVEL_TOOL_FULL}, alone{lone};
    full.insert(full.end(), row.args.begin(), row.args.end());
    alone.insert(alone.end(), row.args.begin(), row.args.end());
    const ProcessResult expected = RunProcess(full);
    ASSERT_GE(expected.exitCode, 0);

    const ProcessResult front = RunTool(row.args);
    EXPECT_EQ(front.exitCode, expected.exitCode);
    EXPECT_EQ(front.out, expected.out);
    EXPECT_EQ(front.err, expected.err);

    const ProcessResult r = RunProcess(alone);
    if (row.front) {
      EXPECT_EQ(r.exitCode, expected.exitCode);
      EXPECT_EQ(r.out, expected.out);
      EXPECT_EQ(r.err, expected.err);
    } else {
      EXPECT_EQ(r.exitCode, 1);
      EXPECT_EQ(r.out, "");
      EXPECT_EQ(r.err, "quorvel-tool: cannot start " + std::filesystem::canonical(dir.path()).string() +
                           "/quorvel-tool-full: No such file or directory\n");
    }
  }
}

}  // namespace
