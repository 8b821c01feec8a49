// The launcher's work on files, on real files in scratch folders: the
// installation directory's form, the package copy, the uninstallation, the
// game copy and the removal of stale copies.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "foundation/intrusive_list.h"
#include "launcher/game_launch.h"
#include "launcher/installation.h"
#include "launcher/uninstallation.h"
#include "support/fatal.h"
#include "support/files.h"
#include "support/process.h"
#include "support/temp_dir.h"
#include "transport/md5.h"
#include "update/file_list.h"
#include "update/file_list_parser.h"

namespace fs = std::filesystem;

namespace {

std::string Hex(const std::string& bytes) {
  unsigned char digest[kMD5Size];
  MD5OfBytes(bytes.data(), bytes.size(), digest);
  char hex[2 * kMD5Size + 1];
  MD5ToHex(digest, hex);
  return hex;
}

ZindleFileListEntry* Entry(char kind, const std::string& contents, const std::string& name) {
  ZindleFileListEntry* e = ParseFileListLine((std::string(1, kind) + " " + Hex(contents) + " " + name).c_str());
  EXPECT_NE(e, nullptr) << name;
  return e;
}

// Builds a list in the given order.
ZindleFileListEntry* List(std::vector<ZindleFileListEntry*> entries) {
  ZindleFileListEntry* head = nullptr;
  for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
    (*it)->next = head;
    head = *it;
  }
  return head;
}

// Runs the test in a scratch working directory (the package), with the
// installation directory inside it.
class InWorkingDirectory : public ::testing::Test {
 protected:
  void SetUp() override {
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    saved_ = cwd;
    ASSERT_EQ(chdir(tmp_.path().c_str()), 0);
    install_ = tmp_.path() + "/game/";
  }
  void TearDown() override {
    WipeList(list_);
    WipeList(package_);
    WipeList(InstallFileList);
    ASSERT_EQ(chdir(saved_.c_str()), 0);
  }
  void Write(const std::string& path, const std::string& text) {
    fs::create_directories(fs::path(path).parent_path().empty() ? "." : fs::path(path).parent_path());
    WriteFileText(path, text);
  }
  TempDir tmp_;
  std::string saved_, install_;
  ZindleFileListEntry* list_ = nullptr;
  ZindleFileListEntry* package_ = nullptr;
};

struct CopyLog {
  std::vector<std::string> done, queued;
  int pumps = 0;
  PackageCopyHooks Hooks() {
    PackageCopyHooks h;
    h.pump = [this](bool) { ++pumps; };
    h.finishedFile = [this](const char* path) { done.push_back(fs::path(path).filename()); };
    h.queueDownload = [this](const ZindleFileListEntry& e) { queued.push_back(e.name); };
    return h;
  }
};

}  // namespace

TEST(InstallDirectory, EitherSeparatorBecomesTheNativeOneWithExactlyOneAtTheEnd) {
  EXPECT_EQ(NormalizedInstallDirectory("C:\\Games\\Quorvel"), "C:/Games/Quorvel/");
  EXPECT_EQ(NormalizedInstallDirectory("/opt/games/quorvel"), "/opt/games/quorvel/");
  EXPECT_EQ(NormalizedInstallDirectory("/opt\\mixed/dir\\"), "/opt/mixed/dir/");
  EXPECT_EQ(NormalizedInstallDirectory("/opt/games//\\"), "/opt/games/");
  EXPECT_EQ(NormalizedInstallDirectory("/"), "/");
  EXPECT_EQ(NormalizedInstallDirectory(""), "");

  char small[8] = "abcdefg";  // no room for the separator: the text is cut, not the separator
  NormalizeInstallDirectory(small, sizeof small);
  EXPECT_STREQ(small, "abcdef/");
}

TEST_F(InWorkingDirectory, PackageFilesAreCopiedInstalledOnesKeptAndTheRestQueued) {
  const std::string big(3 * kPackageCopyBlockSize + 17, 'x');  // several blocks and a short tail
  Write("data/big.dat", big);
  Write("readme.txt", "package readme");
  Write(install_ + "kept.dat", "already right");
  Write(install_ + "quorvel1.exe", "old game");  // different: replaced from the package
  Write("quorvel1.exe", "new game");
  package_ = List({Entry('R', big, "data/big.dat"), Entry('R', "package readme", "readme.txt"),
                   Entry('R', "new game", "quorvel1.exe")});
  list_ = List({Entry('R', big, "data/big.dat"), Entry('O', "listed", "listed.dat"),
                Entry('R', "already right", "kept.dat"), Entry('R', "package readme", "readme.txt"),
                Entry('R', "new game", "quorvel1.exe"), Entry('R', "server only", "remote/new.dat"),
                Entry('U', "absent", "optional.dat"), Entry('D', "absent", "ondemand.dat")});
  CopyLog log;
  PackageCopyResult r = CopyInstallPackage(list_, package_, install_.c_str(), log.Hooks());
  EXPECT_EQ(r.outcome, PackageCopyOutcome::kFinished);
  EXPECT_EQ(ReadFileText(install_ + "data/big.dat"), big);
  EXPECT_EQ(ReadFileText(install_ + "quorvel1.exe"), "new game");
  EXPECT_TRUE(access((install_ + "quorvel1.exe").c_str(), X_OK) == 0) << "an .exe is made executable";
  EXPECT_EQ(log.done, (std::vector<std::string>{"big.dat", "kept.dat", "readme.txt", "quorvel1.exe", "optional.dat",
                                                "ondemand.dat"}));
  EXPECT_EQ(log.queued, std::vector<std::string>{"remote/new.dat"});
  EXPECT_FALSE(fs::exists(install_ + "optional.dat"));
  EXPECT_FALSE(fs::exists(install_ + "listed.dat"));
  EXPECT_TRUE(fs::is_directory(install_ + "remote")) << "folders are made for queued files too";
  for (auto& p : fs::recursive_directory_iterator(install_)) EXPECT_NE(p.path().extension(), ".ins") << p.path();
  EXPECT_EQ(log.pumps, 7) << "one pump after every entry that was not skipped";
}

// Regression: the package was searched by digest but the file named like the
// entry was copied unchecked, so a package file of that name with other
// contents (the digest belonging to another of its files, or a damaged copy)
// was installed and counted as done.
TEST_F(InWorkingDirectory, APackageFileWithoutTheListedDigestIsDownloadedInsteadAndTheOldFileKept) {
  Write("a.dat", "shared contents");
  Write("b.dat", "older b");
  Write("c.dat", "damaged");
  Write("u.dat", "damaged");
  Write(install_ + "b.dat", "installed b");
  package_ = List({Entry('R', "shared contents", "a.dat"), Entry('R', "older b", "b.dat"),
                   Entry('R', "good c", "c.dat"), Entry('R', "good c", "u.dat")});
  list_ = List({Entry('R', "shared contents", "a.dat"), Entry('R', "shared contents", "b.dat"),
                Entry('R', "good c", "c.dat"), Entry('U', "good c", "u.dat")});
  CopyLog log;
  PackageCopyResult r = CopyInstallPackage(list_, package_, install_.c_str(), log.Hooks());
  EXPECT_EQ(r.outcome, PackageCopyOutcome::kFinished);
  EXPECT_EQ(ReadFileText(install_ + "a.dat"), "shared contents");
  EXPECT_EQ(ReadFileText(install_ + "b.dat"), "installed b") << "left as it was";
  EXPECT_FALSE(fs::exists(install_ + "c.dat"));
  EXPECT_FALSE(fs::exists(install_ + "u.dat")) << "an update-if-present file is not installed from a bad copy";
  EXPECT_EQ(log.queued, (std::vector<std::string>{"b.dat", "c.dat"}));
  EXPECT_EQ(log.done, (std::vector<std::string>{"a.dat", "u.dat"}));
  for (auto& p : fs::recursive_directory_iterator(install_)) EXPECT_NE(p.path().extension(), ".ins") << p.path();
}

TEST_F(InWorkingDirectory, AFileMissingFromThePackageFolderIsDownloadedAndCancelStopsBeforeTheNextEntry) {
  package_ = List({Entry('R', "gone", "gone.dat")});
  list_ = List({Entry('R', "gone", "gone.dat"), Entry('R', "second", "second.dat")});
  CopyLog log;
  PackageCopyHooks hooks = log.Hooks();
  hooks.cancelled = [&] { return !log.queued.empty(); };
  PackageCopyResult r = CopyInstallPackage(list_, package_, install_.c_str(), hooks);
  EXPECT_EQ(r.outcome, PackageCopyOutcome::kCancelled);
  EXPECT_EQ(log.queued, std::vector<std::string>{"gone.dat"});
}

TEST_F(InWorkingDirectory, WaitsWhileHeldPumpingWithForce) {
  Write("a.dat", "a");
  package_ = List({Entry('R', "a", "a.dat")});
  list_ = List({Entry('R', "a", "a.dat")});
  int holds = 3, forced = 0;
  PackageCopyHooks hooks;
  hooks.held = [&] { return holds-- > 0; };
  hooks.pump = [&](bool force) { forced += force; };
  EXPECT_EQ(CopyInstallPackage(list_, package_, install_.c_str(), hooks).outcome, PackageCopyOutcome::kFinished);
  EXPECT_EQ(forced, 3);
  EXPECT_EQ(ReadFileText(install_ + "a.dat"), "a");
}

TEST_F(InWorkingDirectory, ATargetThatCannotBeReplacedGivesTheInstallFailureAndLeavesNoInsFile) {
  Write("a.dat", "a");
  fs::create_directories(install_ + "a.dat/inside");  // a folder in the way
  package_ = List({Entry('R', "a", "a.dat")});
  list_ = List({Entry('R', "a", "a.dat"), Entry('R', "b", "b.dat")});
  CopyLog log;
  PackageCopyResult r = CopyInstallPackage(list_, package_, install_.c_str(), log.Hooks());
  EXPECT_EQ(r.outcome, PackageCopyOutcome::kInstallFailed);
  EXPECT_EQ(r.failedPath, install_ + "a.dat");
  EXPECT_FALSE(fs::exists(install_ + "a.dat.ins"));
  EXPECT_TRUE(log.queued.empty()) << "the copy stops at the failure";

  // An installation directory that is a file: the .ins file cannot be made.
  Write("plainfile", "x");
  WipeList(list_);
  list_ = List({Entry('R', "a", "a.dat")});
  r = CopyInstallPackage(list_, package_, (tmp_.path() + "/plainfile/").c_str(), log.Hooks());
  EXPECT_EQ(r.outcome, PackageCopyOutcome::kInstallFailed);
  EXPECT_EQ(ReadFileText("plainfile"), "x");
}

// A full disk, made with a file size limit in a child process: the block
// that does not fit gives the write failure, the .ins file goes and the old
// file stays.
TEST_F(InWorkingDirectory, AFullDiskGivesTheWriteFailureAndKeepsTheOldFile) {
  const std::string big(4 * kPackageCopyBlockSize, 'z');
  Write("big.dat", big);
  Write(install_ + "big.dat", "old");
  package_ = List({Entry('R', big, "big.dat")});
  list_ = List({Entry('R', big, "big.dat")});
  pid_t pid = ForkChild();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    signal(SIGXFSZ, SIG_IGN);
    rlimit limit{100000, 100000};
    setrlimit(RLIMIT_FSIZE, &limit);
    PackageCopyResult r = CopyInstallPackage(list_, package_, install_.c_str(), PackageCopyHooks{});
    _exit(r.outcome == PackageCopyOutcome::kWriteFailed && r.failedPath == install_ + "big.dat.ins" ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(ReadFileText(install_ + "big.dat"), "old");
  EXPECT_FALSE(fs::exists(install_ + "big.dat.ins"));
}

TEST_F(InWorkingDirectory, ThePackageListIsFilesInsOrElseTheTwoListsMerged) {
  const std::string a = Hex("a"), b = Hex("b"), c = Hex("c");
  Write("master.lst", "R " + a + " one.dat\nR " + a + " two.dat\n");
  Write("updated.lst", "R " + b + " two.dat\nR " + c + " three.dat\n");
  ReadInstallPackageList(0);
  ASSERT_EQ(ListLength(InstallFileList), 3);
  for (auto* e = InstallFileList; e; e = e->next) {
    char hex[33];
    MD5ToHex(e->digest, hex);
    if (!std::strcmp(e->name, "two.dat")) {
      EXPECT_EQ(hex, b) << "the updated list wins";
    }
  }
  Write("files.ins", "R " + c + " only.dat\nR " + c + " ../escape.dat\n");
  ReadInstallPackageList(0);
  ASSERT_EQ(ListLength(InstallFileList), 1) << "files.ins alone, and a name reaching outside is refused";
  EXPECT_STREQ(InstallFileList->name, "only.dat");
  fs::remove("files.ins");
  fs::remove("master.lst");
  fs::remove("updated.lst");
  ReadInstallPackageList(0);
  EXPECT_EQ(InstallFileList, nullptr) << "no list at all is an empty package, not a fatal stop";
}

TEST_F(InWorkingDirectory, UninstallKeepsDecksAndRemovesTheFoldersItEmptied) {
  for (const char* name :
       {"quorvel1.exe", "data/a/deep.dat", "data/b.dat", "decks/mine.dck", "user/MyDecks.txt", "shared/listed.dat"})
    Write(install_ + name, "x");
  Write(install_ + "shared/unlisted.dat", "player's");
  Write(install_ + "master.lst", "R " + Hex("1") + " quorvel1.exe\nR " + Hex("2") + " data/a/deep.dat\nR " + Hex("3") +
                                     " decks/mine.dck\nR " + Hex("4") + " user/MyDecks.txt\n");
  Write(install_ + "updated.lst", "R " + Hex("5") + " data/b.dat\nR " + Hex("6") + " shared/listed.dat\n");
  ASSERT_TRUE(ReadInstalledLists(install_.c_str(), 0));
  ASSERT_EQ(ListLength(InstallFileList), 6);
  std::vector<std::string> shown;
  UninstallHooks hooks;
  hooks.finishedFile = [&](const char* path) { shown.push_back(path); };
  DeleteInstalledFiles(InstallFileList, install_.c_str(), hooks);
  EXPECT_EQ(shown.size(), 4u);
  EXPECT_FALSE(fs::exists(install_ + "quorvel1.exe"));
  EXPECT_FALSE(fs::exists(install_ + "data")) << "data/a and then data emptied";
  EXPECT_TRUE(fs::exists(install_ + "decks/mine.dck"));
  EXPECT_TRUE(fs::exists(install_ + "user/MyDecks.txt"));
  EXPECT_TRUE(fs::exists(install_ + "shared/unlisted.dat"));
  EXPECT_FALSE(fs::exists(install_ + "shared/listed.dat"));
  EXPECT_TRUE(fs::exists(install_ + "master.lst")) << "files the lists do not name stay";

  fs::remove(install_ + "master.lst");
  EXPECT_FALSE(ReadInstalledLists(install_.c_str(), 0));
  EXPECT_EQ(InstallFileList, nullptr);
}

// Regression: an installed list that is there but cannot be opened as a file
// ended the uninstallation with a fatal read error.
TEST_F(InWorkingDirectory, AnInstalledListThatCannotBeOpenedCountsAsMissing) {
  fs::create_directories(install_ + "master.lst");
  std::optional<std::string> stop = CatchFatal([&] { EXPECT_FALSE(ReadInstalledLists(install_.c_str(), 0)); });
  EXPECT_EQ(stop, std::nullopt) << *stop;
  EXPECT_EQ(InstallFileList, nullptr);

  fs::remove(install_ + "master.lst");
  Write(install_ + "master.lst", "R " + Hex("1") + " one.dat\n");
  fs::create_directories(install_ + "updated.lst");
  stop = CatchFatal([&] { EXPECT_TRUE(ReadInstalledLists(install_.c_str(), 0)); });
  EXPECT_EQ(stop, std::nullopt) << *stop;
  ASSERT_EQ(ListLength(InstallFileList), 1);
  EXPECT_STREQ(InstallFileList->name, "one.dat");
}

// Regression: a cancel confirmed while the deletion waited on the question
// left the loop waiting for ever.
TEST_F(InWorkingDirectory, UninstallCancelledWhileHeldStopsBeforeTheNextFile) {
  for (const char* name : {"one.dat", "two.dat", "three.dat"}) Write(install_ + name, "x");
  list_ = List({Entry('R', "x", "one.dat"), Entry('R', "x", "two.dat"), Entry('R', "x", "three.dat")});
  bool asked = false, answered = false;
  int forced = 0;
  UninstallHooks hooks;
  hooks.held = [&] { return asked; };
  hooks.cancelled = [&] { return answered; };
  hooks.pump = [&](bool force) {
    if (!force) return;
    if (++forced == 2) answered = true;  // the player says Yes while the loop waits
  };
  hooks.finishedFile = [&](const char*) { asked = true; };  // Cancel pressed during the first file
  EXPECT_FALSE(DeleteInstalledFiles(list_, install_.c_str(), hooks));
  EXPECT_EQ(forced, 2);
  EXPECT_FALSE(fs::exists(install_ + "one.dat"));
  EXPECT_TRUE(fs::exists(install_ + "two.dat"));
  EXPECT_TRUE(fs::exists(install_ + "three.dat"));

  asked = answered = false;
  EXPECT_TRUE(DeleteInstalledFiles(list_, install_.c_str(), UninstallHooks{}));
  EXPECT_FALSE(fs::exists(install_ + "three.dat"));
}

TEST_F(InWorkingDirectory, CopyFileACopiesWholeFilesAndRefusesTheRest) {
  const std::string game(10000, 'g');  // three 4096-byte blocks
  Write("quorvel1.exe", game);
  EXPECT_EQ(CopyFileA("quorvel1.exe", "quorvel1451.exe"), 1);
  EXPECT_EQ(ReadFileText("quorvel1451.exe"), game);
  EXPECT_EQ(access("quorvel1451.exe", X_OK), 0);

  EXPECT_EQ(CopyFileA("quorvel1.exe", "quorvel1.exe"), 0) << "the same path";
  EXPECT_EQ(ReadFileText("quorvel1.exe"), game);
  EXPECT_EQ(CopyFileA("missing.exe", "out.exe"), 0);
  EXPECT_FALSE(fs::exists("out.exe"));
  Write("empty.exe", "");
  EXPECT_EQ(CopyFileA("empty.exe", "out.exe"), 0) << "an empty game is a failed copy";
  EXPECT_FALSE(fs::exists("out.exe"));
  EXPECT_EQ(CopyFileA("quorvel1.exe", "nofolder/out.exe"), 0);
  fs::create_directory("adir");
  EXPECT_EQ(CopyFileA("adir", "out.exe"), 0) << "a folder is no source";
}

TEST_F(InWorkingDirectory, StaleGameCopiesAreDeletedAndTheGameKeptInAnyCase) {
  for (const char* name :
       {"QUORVEL1.EXE", "quorvel1451.exe", "Quorvel1021.EXE", "quorvel1.bak", "quorvel2.exe", "other.exe"})
    Write(name, "x");
  DeleteCopiedQuorvelExes();
  std::vector<std::string> left;
  for (auto& p : fs::directory_iterator("."))
    if (p.is_regular_file()) left.push_back(p.path().filename());
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{"QUORVEL1.EXE", "other.exe", "quorvel1.bak", "quorvel2.exe"}));
}

TEST(GameLaunch, TheCopyIsNamedWithTheNumberBetweenQuorvel1AndOne) {
  EXPECT_EQ(CopiedQuorvelExeName("/games/q/", 0), "/games/q/quorvel101.exe");
  EXPECT_EQ(CopiedQuorvelExeName("/games/q/", 45), "/games/q/quorvel1451.exe");
}
