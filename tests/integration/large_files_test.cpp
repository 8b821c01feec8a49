// A release with a file of 2 GiB + 1 byte and one past 4 GiB, sparse so that
// they cost the disk little: published, packaged and installed from the
// package with the launcher's copy, then fetched from nginx, the larger one
// killed past the 4 GiB mark and completed with a range.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>

#include "foundation/intrusive_list.h"
#include "launcher/installation.h"
#include "support/process.h"
#include "support/served_release.h"
#include "transport/md5.h"
#include "update/file_list.h"

namespace {

constexpr long long kGiB = 1LL << 30;

// Bytes the file takes on the disk.
long long Allocated(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 ? static_cast<long long>(st.st_blocks) * 512 : -1;
}

long long Size(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 ? static_cast<long long>(st.st_size) : -1;
}

std::string DigestHex(const ZindleFileListEntry* list, const char* name) {
  for (; list; list = list->next)
    if (std::string(list->name) == name) {
      char hex[2 * kMD5Size + 1];
      MD5ToHex(list->digest, hex);
      return hex;
    }
  return "";
}

}  // namespace

TEST(LargeFiles, PublishedPackagedInstalledAndFetchedWithAResumePastFourGibibytes) {
  // The downloads keep no holes: both files are written out in full.
  std::error_code ec;
  const auto space = std::filesystem::space(std::filesystem::temp_directory_path(), ec);
  if (!ec && space.available < static_cast<std::uintmax_t>(12 * kGiB))
    GTEST_SKIP() << "needs 12 GiB free in the temporary folder for the downloaded copies";
  const auto began = std::chrono::steady_clock::now();
  ServedRelease release;
  ASSERT_EQ(release.Start(), "");
  const SparseFiles sparse = {
      {"data/two.dat", {2 * kGiB + 1, {{0, "two"}, {2 * kGiB, "x"}}}},
      // Ends in zeros, so the copies must give the file its length by itself.
      {"data/big.dat", {4 * kGiB + 256 * (1LL << 20) + 3, {{0, "big"}, {4 * kGiB + 4096, "past 4 GiB"}}}},
  };
  ASSERT_EQ(release.Publish("v1", {{"version.txt", "1\n"}}, {}, "Terms.\n", sparse), "");
  ASSERT_EQ(release.Serve("v1"), "");
  ZindleFileListEntry* listed = nullptr;
  ReadFileList("master.lst", 0, &listed, (release.release("v1") + "/").c_str(), 0, 1);
  for (const char* name : {"data/two.dat", "data/big.dat"}) {
    SCOPED_TRACE(name);
    ASSERT_NE(DigestHex(listed, name), "");
    EXPECT_LT(Allocated(release.release("v1") + "/" + name), 16 << 20) << "publish filled the holes";
  }

  // The package, and the launcher's copy out of it, run in the package.
  const std::string package = release.root() + "/package", install = release.root() + "/install/";
  ASSERT_EQ(release.Package("v1", package), "");
  char cwd[4096];
  ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
  ASSERT_EQ(chdir(package.c_str()), 0);
  ZindleFileListEntry* packaged = nullptr;
  ReadFileList("files.ins", 0, &packaged, nullptr, 0, 1);
  const PackageCopyResult copied = CopyInstallPackage(listed, packaged, install.c_str(), PackageCopyHooks{});
  ASSERT_EQ(chdir(cwd), 0);
  WipeList(packaged);
  EXPECT_EQ(copied.outcome, PackageCopyOutcome::kFinished) << copied.failedPath;
  for (const auto& [name, file] : sparse) {
    SCOPED_TRACE(name);
    // The copy checks each file's digest as it goes: a file in place is right.
    EXPECT_EQ(Size(install + name), file.size);
    EXPECT_LT(Allocated(package + "/" + name), 16 << 20) << "package filled the holes";
    EXPECT_LT(Allocated(install + name), 16 << 20) << "the installation filled the holes";
  }

  // Fetched whole, then killed past 4 GiB and fetched again: the second run
  // asks for the rest only, and the digest check covers the whole file.
  TempDir fetched;
  const std::string url = release.base() + "krnx/";
  ProcessResult two = RunTool({"fetch", url + "data/two.dat", "data/two.dat", fetched.path() + "/", "--digest",
                               DigestHex(listed, "data/two.dat")});
  EXPECT_EQ(two.out, "result 0\n") << two.err;
  EXPECT_EQ(Size(fetched / "data/two.dat"), 2 * kGiB + 1);
  const std::vector<std::string> big = {"fetch",        url + "data/big.dat",
                                        "data/big.dat", fetched.path() + "/",
                                        "--digest",     DigestHex(listed, "data/big.dat")};
  {
    ChildProcess first = StartProcess([&] {
      std::vector<std::string> argv{QUORVEL_TOOL};
      argv.insert(argv.end(), big.begin(), big.end());
      return argv;
    }());
    ASSERT_TRUE(first.started());
    const std::string res = fetched / "data/big.dat.res";
    while (first.Running() && Size(res) <= 4 * kGiB) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    first.Stop(SIGKILL, 0);
    ASSERT_GT(Size(res), 4 * kGiB) << "the first run ended before the 4 GiB mark";
    ASSERT_LT(Size(res), sparse.at("data/big.dat").size) << "the first run was not cut off";
  }
  ProcessResult again = RunTool(big);
  EXPECT_EQ(again.out, "result 0\n") << again.err;
  EXPECT_EQ(Size(fetched / "data/big.dat"), sparse.at("data/big.dat").size);
  const std::vector<std::string> log = release.server().AccessLog();
  EXPECT_NE(std::find(log.begin(), log.end(), "GET /krnx/data/big.dat 206"), log.end())
      << "the second run did not resume";
  WipeList(listed);
  std::printf("large files: %.0f s\n", std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count());
}
