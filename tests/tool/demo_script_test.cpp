// scripts/demo in its short mode: release v1 generated, published, served by
// nginx, checked over HTTP and packaged; then v2 published against v1 with
// patches, served in its place and checked again. Nothing it started is left
// running.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "tool/release_fixture.h"

namespace fs = std::filesystem;

namespace {
ProcessResult Demo(const TempDir& dir, const std::vector<std::string>& args) {
  std::vector<std::string> argv = {"/bin/bash", std::string(QUORVEL_SOURCE_DIR) + "/scripts/demo"};
  argv.insert(argv.end(), args.begin(), args.end());
  return RunProcess(argv,
                    {"QUORVEL_DEMO_NO_BUILD=1", "QUORVEL_DEMO_DIR=" + dir.path(),
                     "DISPLAY=", std::string("QUORVEL_BUILD_DIR=") + QUORVEL_BINARY_DIR},
                    "", 240000);
}

bool ServerStillAnswers(const std::string& out) {
  std::smatch m;
  if (!std::regex_search(out, m, std::regex("at (http://127\\.0\\.0\\.1:[0-9]+)"))) return false;
  return RunProcess({"/usr/bin/curl", "-s", "-o", "/dev/null", m[1].str() + "/krnx/master.lst"}).exitCode == 0;
}
}  // namespace

TEST(DemoScript, CheckPublishesServesVerifiesAndPackagesV1ThenV2) {
  TempDir dir;
  ProcessResult first = Demo(dir, {"--check"});
  ASSERT_EQ(first.exitCode, 0) << first.out << first.err;
  EXPECT_NE(first.out.find("demo: everything goes under " + dir.path()), std::string::npos) << first.out;
  EXPECT_NE(first.out.find("\nok: "), std::string::npos) << first.out;
  EXPECT_NE(first.out.find("demo: check passed"), std::string::npos);
  EXPECT_FALSE(ServerStillAnswers(first.out));

  const std::map<std::string, std::string> v1 = ListedFiles(dir / "releases/v1/master.lst");
  EXPECT_GT(v1.size(), 300u);
  for (const char* name :
       {"quorvel1.exe", "version.txt", "decks/starter.deck", "DEUTSCH.CAT", "quorvel.exe", "zindimgs/txtr.ctl"})
    EXPECT_TRUE(v1.count(name)) << name;
  EXPECT_EQ(v1.at("decks/starter.deck")[0], 'C');
  EXPECT_EQ(ReadFileText(dir / "releases/v1/version.txt"), "1.0\n");
  std::vector<std::string> packages = EntriesStartingWith(dir.path(), "package.");
  ASSERT_EQ(packages.size(), 1u);
  EXPECT_EQ(ListedFiles(dir / (packages[0] + "/QuorvelOnline/files.ins")).size(), v1.size());
  EXPECT_TRUE(fs::exists(dir / (packages[0] + "/QuorvelOnline.tar.gz")));

  ProcessResult update = Demo(dir, {"update", "--check"});
  ASSERT_EQ(update.exitCode, 0) << update.out << update.err;
  EXPECT_FALSE(ServerStillAnswers(update.out));
  const std::map<std::string, std::string> v2 = ListedFiles(dir / "releases/v2/master.lst");
  const std::map<std::string, std::string> changes = ListedFiles(dir / "releases/v2/updated.lst");
  int changed = 0, added = 0;
  for (const auto& [name, kindHex] : changes) (v1.count(name) ? changed : added)++;
  EXPECT_GT(changed, 5);
  EXPECT_EQ(added, 5);
  EXPECT_EQ(v1.size() + 5 - 1, v2.size());  // one file left the list
  EXPECT_FALSE(ListedPatches(dir / "releases/v2/updated.lst").empty());
  EXPECT_EQ(fs::read_symlink(dir / "site/krnx").string(), "../releases/v2");
}

// The newcomer's command on a machine without a display: the demo says so
// unless asked to play, and --play clicks both journeys through by itself.
TEST(DemoScript, PlaysBothJourneysWithoutADisplayAndSavesTheirScreens) {
  TempDir dir;
  ProcessResult refused = Demo(dir, {});
  EXPECT_EQ(refused.exitCode, 1);
  EXPECT_NE(refused.err.find("there is no display"), std::string::npos) << refused.err;
  EXPECT_NE(refused.err.find("--play"), std::string::npos) << refused.err;
  for (const std::string mode : {"first", "update"}) {
    SCOPED_TRACE(mode);
    ProcessResult r =
        Demo(dir, mode == "first" ? std::vector<std::string>{"--play"} : std::vector<std::string>{"update", "--play"});
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("demo: screen TOSWindow"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("the game was started"), std::string::npos) << r.out;
    EXPECT_GE(EntriesStartingWith(dir / ("screens-" + mode), "0").size(), 2u);
  }
  EXPECT_EQ(ReadFileText(dir / "data/Tellurant/Quorvel Online/version.txt"), "2.0\n");
}
