// quorvel-tool publish: the lists as the launcher reads them, updated.lst and
// its patches across releases, the launcher and skin it carries, and the bad
// input it refuses without touching the release already published.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>

#include "support/files.h"
#include "support/temp_dir.h"
#include "tool/release_fixture.h"

namespace fs = std::filesystem;

namespace {

class Publish : public testing::Test {
 protected:
  std::string Game(const std::string& name, const FileMap& files) {
    const std::string dir = tmp_ / name;
    fs::create_directories(dir);
    WriteTree(dir, files);
    return dir;
  }
  ProcessResult Run(const std::string& game, const std::string& release, std::vector<std::string> extra = {}) {
    std::vector<std::string> args = {"publish", game, release};
    args.insert(args.end(), extra.begin(), extra.end());
    return Tool(args);
  }
  // Applies a patch of the release to old contents the way the launcher does
  // (result size given) and returns the result, or "<failed>".
  std::string Apply(const std::string& oldData, const std::string& patchPath, long long size) {
    WriteFileText(tmp_ / "old.bin", oldData);
    ProcessResult r =
        Tool({"patch", "apply", tmp_ / "old.bin", patchPath, tmp_ / "new.bin", "--size", std::to_string(size)});
    return r.exitCode == 0 ? ReadFileText(tmp_ / "new.bin") : "<failed>";
  }
  TempDir tmp_;
};

// A game whose files share most of their bytes across versions.
FileMap Version(int v) {
  const std::string base = Noise(200000, 7);
  FileMap m = {
      {"quorvel1.exe", std::string(v >= 2 ? "game 2" : "game 1") + base.substr(0, 5000)},
      {"data/level1.dat", base},
      {"data/level2.dat", Noise(30000, 8)},
      {"data/my file.txt", "spaces stay whole"},
      {"decks/starter.deck", "deck"},
  };
  if (v >= 2) {
    m["data/level1.dat"] = base.substr(0, 100000) + "CHANGED IN V2" + base.substr(100000);
    m["data/added.dat"] = "new in v2";
    m.erase("data/level2.dat");
  }
  if (v >= 3) m["data/level1.dat"] = base.substr(0, 50000) + "V3" + m["data/level1.dat"].substr(50000);
  return m;
}

}  // namespace

TEST_F(Publish, MasterListReadsBackWithKindsFromTheRulesAndTheFilesUnderTheirNames) {
  const FileMap files = Version(1);
  const std::string game = Game("game", files);
  WriteFileText(tmp_ / "rules", "# kinds\nC decks/*\n\nO data/*.txt\nU *.dat\nD data/level1.dat\n");
  ProcessResult r =
      Run(game, tmp_ / "rel", {"--rules", tmp_ / "rules", "--no-launcher", "--tos", game + "/data/my file.txt"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  std::map<std::string, std::string> listed = ListedFiles(tmp_ / "rel/master.lst");
  std::map<std::string, std::string> expected;
  const std::map<std::string, char> kinds = {{"quorvel1.exe", 'R'},
                                             {"data/level1.dat", 'U'},
                                             {"data/level2.dat", 'U'},
                                             {"data/my file.txt", 'O'},
                                             {"decks/starter.deck", 'C'}};
  for (const auto& [name, data] : files) expected[name] = std::string(1, kinds.at(name)) + " " + Md5Hex(data);
  EXPECT_EQ(listed, expected);
  // Stored with backslashes, as every client reads them.
  EXPECT_NE(ReadFileText(tmp_ / "rel/master.lst").find("data\\my file.txt\n"), std::string::npos);
  FileMap tree = ReadTree(tmp_ / "rel");
  for (const auto& [name, data] : files) EXPECT_TRUE(tree[name] == data) << name;
  EXPECT_EQ(tree["tos.txt"], "spaces stay whole");
  EXPECT_EQ(tree["updated.lst"], "");
  EXPECT_NE(r.out.find("files 5\n"), std::string::npos) << r.out;
}

TEST_F(Publish, CarriesTheLauncherAndSkinUnlessTheGameHasItsOwn) {
  ProcessResult r = Run(Game("game", Version(1)), tmp_ / "rel");
  ASSERT_EQ(r.exitCode, 0) << r.err;
  std::map<std::string, std::string> listed = ListedFiles(tmp_ / "rel/master.lst");
  ASSERT_TRUE(listed.count("quorvel.exe"));
  EXPECT_EQ(listed["quorvel.exe"].substr(2), Md5Hex(ReadFileText(QUORVEL_EXE)));
  EXPECT_EQ(listed["zindimgs/txtr.ctl"].substr(2),
            Md5Hex(ReadFileText(std::string(QUORVEL_SOURCE_DIR) + "/assets/zindimgs/txtr.ctl")));
  EXPECT_TRUE(listed.count("backgrnd/galvtile.tga"));
  EXPECT_TRUE(listed.count("DEUTSCH.CAT"));
  EXPECT_TRUE(fs::exists(tmp_ / "rel/zindimgs/txtr.ctl"));

  FileMap own = Version(1);
  own["quorvel.exe"] = "our own launcher";
  own["zindimgs/txtr.ctl"] = "our own skin";
  ProcessResult r2 = Run(Game("own", own), tmp_ / "rel2");
  ASSERT_EQ(r2.exitCode, 0) << r2.err;
  listed = ListedFiles(tmp_ / "rel2/master.lst");
  EXPECT_EQ(listed["quorvel.exe"].substr(2), Md5Hex("our own launcher"));
  EXPECT_EQ(listed["zindimgs/txtr.ctl"].substr(2), Md5Hex("our own skin"));
  EXPECT_FALSE(listed.count("zindimgs/button01.tga"));
  EXPECT_TRUE(listed.count("backgrnd/galvtile.tga"));  // the game has no backgrnd/ of its own
}

TEST_F(Publish, SecondReleaseListsExactlyTheChangesAndItsPatchesGiveTheNewFiles) {
  const FileMap v1 = Version(1), v2 = Version(2);
  ASSERT_EQ(Run(Game("g1", v1), tmp_ / "v1", {"--no-launcher"}).exitCode, 0);
  ProcessResult r = Run(Game("g2", v2), tmp_ / "v2", {"--no-launcher", "--previous", tmp_ / "v1", "--json"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  std::map<std::string, std::string> updated = ListedFiles(tmp_ / "v2/updated.lst");
  std::map<std::string, std::string> expected = {{"quorvel1.exe", "R " + Md5Hex(v2.at("quorvel1.exe"))},
                                                 {"data/level1.dat", "R " + Md5Hex(v2.at("data/level1.dat"))},
                                                 {"data/added.dat", "R " + Md5Hex(v2.at("data/added.dat"))}};
  EXPECT_EQ(updated, expected);
  EXPECT_FALSE(ListedFiles(tmp_ / "v2/master.lst").count("data/level2.dat"));

  std::vector<ParsedPatch> patches = ListedPatches(tmp_ / "v2/updated.lst");
  ASSERT_EQ(patches.size(), 2u);  // quorvel1.exe and level1.dat; added.dat has no older version
  for (const ParsedPatch& p : patches) {
    SCOPED_TRACE(p.target);
    EXPECT_EQ(p.source, Md5Hex(v1.at(p.target)));
    EXPECT_EQ(p.result, Md5Hex(v2.at(p.target)));
    EXPECT_EQ(p.size, (long long)v2.at(p.target).size());
    EXPECT_EQ(p.patch.rfind("patches/", 0), 0u);
    const std::string out = Apply(v1.at(p.target), tmp_ / ("v2/" + p.patch), p.size);
    EXPECT_EQ(Md5Hex(out), p.result);
    EXPECT_LT(ReadFileText(tmp_ / ("v2/" + p.patch)).size(), v2.at(p.target).size() / 2);
  }
  EXPECT_NE(patches[0].patch, patches[1].patch);
  EXPECT_NE(r.out.find("\"updated_files\": 3"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\"patches\": 2"), std::string::npos) << r.out;
}

TEST_F(Publish, ThreeReleaseHistoryGivesAPatchFromEveryOlderDigest) {
  const FileMap v1 = Version(1), v2 = Version(2), v3 = Version(3);
  ASSERT_EQ(Run(Game("g1", v1), tmp_ / "v1", {"--no-launcher"}).exitCode, 0);
  ASSERT_EQ(Run(Game("g2", v2), tmp_ / "v2", {"--no-launcher", "--previous", tmp_ / "v1"}).exitCode, 0);
  ProcessResult r =
      Run(Game("g3", v3), tmp_ / "v3", {"--no-launcher", "--previous", tmp_ / "v2", "--previous", tmp_ / "v1"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  // Against v2 only level1.dat changed.
  std::map<std::string, std::string> updated = ListedFiles(tmp_ / "v3/updated.lst");
  EXPECT_EQ(updated.size(), 1u);
  EXPECT_TRUE(updated.count("data/level1.dat"));

  std::map<std::string, std::string> sources;  // source digest -> old contents
  for (const FileMap* m : {&v1, &v2})
    for (const auto& [name, data] : *m) sources[Md5Hex(data)] = data;
  std::multimap<std::string, std::string> got;  // target -> source digest
  for (const ParsedPatch& p : ListedPatches(tmp_ / "v3/updated.lst")) {
    got.emplace(p.target, p.source);
    EXPECT_EQ(Md5Hex(Apply(sources.at(p.source), tmp_ / ("v3/" + p.patch), p.size)), Md5Hex(v3.at(p.target)));
  }
  // level1.dat from its v1 and its v2 version; quorvel1.exe, unchanged since
  // v2, still from its v1 version for a player two versions behind.
  EXPECT_EQ(got.count("data/level1.dat"), 2u);
  EXPECT_EQ(got.count("quorvel1.exe"), 1u);
  EXPECT_EQ(got.find("quorvel1.exe")->second, Md5Hex(v1.at("quorvel1.exe")));
}

TEST_F(Publish, PatchesOnlyBelowTheThresholdAndOnePerSourceDigest) {
  FileMap v1 = {{"a.dat", Noise(50000, 1)},
                {"b.dat", Noise(50000, 2)},
                {"same1.dat", "x" + Noise(40000, 3)},
                {"same2.dat", "x" + Noise(40000, 3)}};
  FileMap v2 = {{"a.dat", Noise(50000, 1) + "tail"},
                {"b.dat", Noise(50000, 9)},  // b: all new bytes
                {"same1.dat", "y" + Noise(40000, 3)},
                {"same2.dat", "z" + Noise(40000, 3)}};
  ASSERT_EQ(Run(Game("g1", v1), tmp_ / "v1", {"--no-launcher"}).exitCode, 0);
  ASSERT_EQ(Run(Game("g2", v2), tmp_ / "v2", {"--no-launcher", "--previous", tmp_ / "v1"}).exitCode, 0);
  std::map<std::string, std::string> source;
  for (const ParsedPatch& p : ListedPatches(tmp_ / "v2/updated.lst")) source[p.target] = p.source;
  EXPECT_TRUE(source.count("a.dat"));
  EXPECT_FALSE(source.count("b.dat"));
  // same1 and same2 had one digest: the launcher picks a patch by that alone.
  EXPECT_EQ(source.count("same1.dat") + source.count("same2.dat"), 1u);

  ASSERT_EQ(
      Run(Game("g2", v2), tmp_ / "v2", {"--no-launcher", "--previous", tmp_ / "v1", "--patch-threshold", "0"}).exitCode,
      0);
  EXPECT_TRUE(ListedPatches(tmp_ / "v2/updated.lst").empty());
  EXPECT_TRUE(!fs::exists(tmp_ / "v2/patches"));
}

TEST_F(Publish, BadGameDirectoriesAreRefusedWithTheName) {
  struct Case {
    const char* what;
    std::function<std::string()> make;  // returns the game directory
    const char* message;
  };
  const std::vector<Case> cases = {
      {"missing", [&] { return tmp_ / "nothing"; }, "does not exist"},
      {"empty",
       [&] {
         fs::create_directories(tmp_ / "empty/sub");
         return tmp_ / "empty";
       },
       "holds no files"},
      {"link out",
       [&] {
         std::string g = Game("linkout", {{"a", "a"}});
         WriteFileText(tmp_ / "secret", "outside");
         fs::create_symlink(tmp_ / "secret", g + "/data.lnk");
         return g;
       },
       "data.lnk: symbolic link leaving the game directory"},
      {"dangling link",
       [&] {
         std::string g = Game("dangling", {{"a", "a"}});
         fs::create_symlink(g + "/gone", g + "/broken");
         return g;
       },
       "broken: symbolic link to nothing"},
      {"pipe",
       [&] {
         std::string g = Game("fifo", {{"a", "a"}});
         mkfifo((g + "/pipe").c_str(), 0644);
         return g;
       },
       "pipe: not a regular file"},
      {"backslash",
       [&] {
         return Game("bs", {{"a\\b.dat", "x"}});
       },
       "a\\b.dat"},
      {"control character",
       [&] {
         return Game("ctl", {{"bad\tname", "x"}});
       },
       "control character"},
      {"leading space",
       [&] {
         return Game("sp", {{" lead", "x"}});
       },
       "starts with a space"},
      {"too long",
       [&] {
         return Game("long", {{std::string(200, 'd') + "/" + std::string(40, 'f'), "x"}});
       },
       "longer than a list line"},
      {"letter case",
       [&] {
         return Game("case", {{"Data/a", "1"}, {"data/a", "2"}});
       },
       "letter case"},
      {"list name",
       [&] {
         return Game("lst", {{"master.lst", "x"}});
       },
       "master.lst"},
  };
  // An earlier release that must survive every refused publish.
  ASSERT_EQ(Run(Game("good", {{"keep.dat", "keep"}}), tmp_ / "rel", {"--no-launcher"}).exitCode, 0);
  const FileMap before = ReadTree(tmp_ / "rel");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ProcessResult r = Run(c.make(), tmp_ / "rel", {"--no-launcher"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_TRUE(ReadTree(tmp_ / "rel") == before);
    EXPECT_EQ(EntriesStartingWith(tmp_.path(), ".rel."), std::vector<std::string>());
  }
}

TEST_F(Publish, UnreadableFileIsRefusedWithItsName) {
  if (geteuid() == 0) GTEST_SKIP() << "root reads every file";
  std::string g = Game("g", {{"a.dat", "a"}, {"locked.dat", "b"}});
  chmod((g + "/locked.dat").c_str(), 0);
  ProcessResult r = Run(g, tmp_ / "rel", {"--no-launcher"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("locked.dat: cannot be read"), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(tmp_ / "rel"));
}

TEST_F(Publish, RefusesPlacesThatWouldEatEachOtherAndDamagedPreviousReleases) {
  const std::string g = Game("game", Version(1));
  ProcessResult inside = Run(g, g + "/release", {"--no-launcher"});
  EXPECT_EQ(inside.exitCode, 1);
  EXPECT_NE(inside.err.find("lies inside the game directory"), std::string::npos) << inside.err;
  EXPECT_FALSE(fs::exists(g + "/release"));
  ProcessResult around = Run(g, tmp_.path(), {"--no-launcher"});
  EXPECT_EQ(around.exitCode, 1);
  EXPECT_NE(around.err.find("lies inside the release directory"), std::string::npos) << around.err;

  fs::create_directories(tmp_ / "notarelease");
  WriteFileText(tmp_ / "notarelease/precious.txt", "mine");
  ProcessResult other = Run(g, tmp_ / "notarelease", {"--no-launcher"});
  EXPECT_EQ(other.exitCode, 1);
  EXPECT_NE(other.err.find("holds no master.lst"), std::string::npos) << other.err;
  EXPECT_EQ(ReadFileText(tmp_ / "notarelease/precious.txt"), "mine");

  ASSERT_EQ(Run(g, tmp_ / "v1", {"--no-launcher"}).exitCode, 0);
  std::string master = ReadFileText(tmp_ / "v1/master.lst");
  WriteFileText(tmp_ / "v1/master.lst",
                master.substr(0, 40) + "\n" + master.substr(40));  // a line cut in two: its tail is no entry
  ProcessResult damaged = Run(Game("g2", Version(2)), tmp_ / "v2", {"--no-launcher", "--previous", tmp_ / "v1"});
  EXPECT_EQ(damaged.exitCode, 1);
  EXPECT_NE(damaged.err.find("is damaged"), std::string::npos) << damaged.err;
  EXPECT_NE(damaged.err.find("master.lst line 2"), std::string::npos) << damaged.err;
  EXPECT_FALSE(fs::exists(tmp_ / "v2"));
  fs::remove(tmp_ / "v1/updated.lst");
  EXPECT_EQ(Run(Game("g2", Version(2)), tmp_ / "v2", {"--no-launcher", "--previous", tmp_ / "v1"}).exitCode, 1);

  WriteFileText(tmp_ / "rules", "R *.dat\nX *.txt\n");
  ProcessResult rules = Run(g, tmp_ / "v3", {"--no-launcher", "--rules", tmp_ / "rules"});
  EXPECT_EQ(rules.exitCode, 1);
  EXPECT_NE(rules.err.find("rules line 2"), std::string::npos) << rules.err;
}

TEST_F(Publish, AFullDiskLeavesThePublishedReleaseAsItWas) {
  const std::string g1 = Game("g1", Version(1));
  ASSERT_EQ(Run(g1, tmp_ / "rel", {"--no-launcher"}).exitCode, 0);
  const FileMap before = ReadTree(tmp_ / "rel");
  const std::string g2 = Game("g2", {{"big.dat", Noise(3 << 20, 4)}, {"small.dat", "s"}});
  // Files may grow to 1 MB only: writing big.dat fails part-way (EFBIG with
  // the signal ignored; killed by SIGXFSZ without).
  for (const char* trap : {"trap '' XFSZ; ", ""}) {
    SCOPED_TRACE(trap);
    ProcessResult r = RunProcess({"/bin/bash", "-c", std::string(trap) + "ulimit -f 1024; exec \"$0\" \"$@\"",
                                  QUORVEL_TOOL, "publish", g2, tmp_ / "rel", "--no-launcher"});
    EXPECT_NE(r.exitCode, 0);
    EXPECT_TRUE(ReadTree(tmp_ / "rel") == before);
    if (*trap) {
      EXPECT_NE(r.err.find("big.dat: cannot be written"), std::string::npos) << r.err;
      EXPECT_EQ(EntriesStartingWith(tmp_.path(), ".rel."), std::vector<std::string>());
    }
  }
}

TEST_F(Publish, NamesNoWindowsPlayerCanHoldAreRefusedUnlessLinuxOnly) {
  const std::string longest = std::string(100, 'd') + "/" + std::string(64, 'f');  // 165 characters
  struct Case {
    std::string name;
    const char* reason;  // "" when Windows holds the name
  };
  const std::vector<Case> cases = {
      {"CON.dat", "Windows device CON"},
      {"data/nul", "Windows device NUL"},
      {"Com1.tar.gz", "Windows device COM1"},
      {"lpt9/x.dat", "Windows device LPT9"},
      {"aux .dat", "Windows device AUX"},
      {"what?.dat", "holds '?'"},
      {"key:value.dat", "holds ':'"},
      {"st*r.dat", "holds '*'"},
      {"lt<.dat", "holds '<'"},
      {"gt>.dat", "holds '>'"},
      {"pipe|.dat", "holds '|'"},
      {"q\"uote.dat", "holds '\"'"},
      {longest + "x", "166 characters, at most 165"},
      {"CONSOLE.dat", ""},
      {"com0.dat", ""},
      {"lpt10", ""},
      {"xcon", ""},
      {"a b#%;+&~[]'.dat", ""},
      {longest, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string game = Game("g", {{c.name, "x"}});
    ProcessResult strict = Run(game, tmp_ / "strict", {"--no-launcher"});
    ProcessResult lenient = Run(game, tmp_ / "linux", {"--no-launcher", "--linux-only"});
    fs::remove_all(game);
    EXPECT_EQ(lenient.exitCode, 0) << lenient.err;
    if (*c.reason == 0) {
      EXPECT_EQ(strict.exitCode, 0) << strict.err;
      continue;
    }
    EXPECT_EQ(strict.exitCode, 1);
    EXPECT_NE(strict.err.find("\"" + c.name + "\""), std::string::npos) << strict.err;
    EXPECT_NE(strict.err.find(c.reason), std::string::npos) << strict.err;
    EXPECT_NE(lenient.err.find("no Windows player can install it"), std::string::npos) << lenient.err;
    EXPECT_TRUE(fs::exists(tmp_ / ("linux/" + c.name)));
  }
}
