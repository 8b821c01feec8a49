// Update and launch as a player meets it: v1 installed, v2 published with
// patches from v1; the installed launcher is started, Launch pressed and the
// Terms accepted. The changed large file arrives as a patch, the fetched lists
// cause exactly one more pass, the finished check is recorded, and a start
// with nothing changed on the server verifies nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "support/files.h"
#include "support/journey.h"
#include "support/launcher_session.h"
#include "support/served_release.h"
#include "support/temp_dir.h"
#include "support/xvfb.h"

namespace fs = std::filesystem;

namespace {

int CountLines(const std::vector<TraceLine>& trace, const std::string& text) {
  return static_cast<int>(std::count_if(trace.begin(), trace.end(),
                                        [&](const TraceLine& l) { return l.raw.find(text) != std::string::npos; }));
}

// The demo game's marker records (each ends with an "end" line).
int GameRecords(const std::string& marker) {
  int n = 0;
  for (size_t at = 0; (at = marker.find("\nend\n", at)) != std::string::npos; ++at) ++n;
  return n;
}

std::string WaitForGameRecords(const std::string& path, int records) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  std::string marker = ReadFileText(path);
  while (GameRecords(marker) < records && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    marker = ReadFileText(path);
  }
  return marker;
}

std::string Joined(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& l : lines) out += l + "\n";
  return out;
}

}  // namespace

TEST(UpdateLaunchJourney, PatchesTheChangedFileRunsOneMorePassThenAnUnchangedStartVerifiesNothing) {
  Xvfb x;
  ASSERT_TRUE(x.running()) << "Xvfb did not start";
  ServedRelease server;
  ASSERT_EQ(server.Publish("v1", SmallGame("1.0")), "");
  // v2 is published seconds later; its lists must read as newer.
  ASSERT_EQ(server.Backdate("v1", 3600), "");
  ASSERT_EQ(server.Serve("v1"), "");
  ASSERT_EQ(server.Start(), "");
  TempDir home, package;
  ASSERT_EQ(server.Package("v1", package / "pkg"), "");
  const std::vector<std::string> env = JourneyEnv(home.path(), server.base());
  ASSERT_EQ(InstallFromPackage(x, package / "pkg", env, home / "install-trace"), "");
  const std::string dir = DefaultInstallDir(home.path());

  GameFiles v2 = SmallGame("2.0");
  v2["data/added.dat"] = "a file new in 2.0\n";
  ASSERT_EQ(server.Publish("v2", v2, {"v1"}), "");
  ASSERT_EQ(server.Serve("v2"), "");

  // The update.
  const UpdateRun update = LaunchInstalled(x, server, dir, env, home / "update-trace");
  ASSERT_EQ(update.failure, "");
  for (const auto& [name, contents] : v2) EXPECT_EQ(ReadFileText(dir + name), contents) << name;
  const std::vector<std::string> reports = Reports(update.trace);
  const auto patch = std::find_if(reports.begin(), reports.end(), [](const std::string& r) {
    return r.rfind("0 patches/", 0) == 0 || r.rfind("0 patches\\", 0) == 0;
  });
  EXPECT_NE(patch, reports.end()) << "the changed large file comes as a patch:\n" << Joined(reports);
  EXPECT_EQ(std::count(reports.begin(), reports.end(), "0 data/big.dat"), 0) << Joined(reports);
  EXPECT_TRUE(RequestsContaining(update.requests, "/data/big.dat").empty()) << Joined(update.requests);
  EXPECT_EQ(RequestsContaining(update.requests, "/krnx/data/added.dat 200").size(), 1u) << Joined(update.requests);
  // The lists were fetched anew in the first pass, so exactly one more runs,
  // and it finds the lists unchanged.
  EXPECT_EQ(CountLines(update.trace, "state 16 StateBeginUpdate"), 2) << Joined(reports);
  EXPECT_EQ(RequestsContaining(update.requests, "/krnx/master.lst 200").size(), 1u) << Joined(update.requests);
  EXPECT_EQ(RequestsContaining(update.requests, "/krnx/master.lst 304").size(), 1u) << Joined(update.requests);
  EXPECT_EQ(ReadFileText(dir + "succeed1.txt"), "Master list verification succeeded.");
  EXPECT_EQ(ReadFileText(dir + "succeed2.txt"), "Updated list verification succeed.");
  // The game ran once after the installation and once now, from the copy.
  const std::string marker = WaitForGameRecords(home / "marker", 2);
  EXPECT_EQ(GameRecords(marker), 2) << marker;

  // A start with nothing new on the server: every answer is "unchanged", and
  // no digest pass runs, which a damaged file left as it is shows.
  const std::string damaged = dir + "data/file0.dat";
  WriteFileText(damaged, "damaged after the check");
  const UpdateRun unchanged = LaunchInstalled(x, server, dir, env, home / "unchanged-trace");
  ASSERT_EQ(unchanged.failure, "");
  for (const std::string& r : Reports(unchanged.trace)) EXPECT_EQ(r.substr(0, 2), "4 ") << r;
  EXPECT_EQ(Reports(unchanged.trace).size(), 3u) << Joined(Reports(unchanged.trace));
  for (const std::string& r : unchanged.requests) EXPECT_NE(r.find(" 304"), std::string::npos) << r;
  EXPECT_EQ(CountLines(unchanged.trace, "state 16 StateBeginUpdate"), 1);
  EXPECT_EQ(ReadFileText(damaged), "damaged after the check") << "the recorded check was not trusted";
  EXPECT_EQ(GameRecords(WaitForGameRecords(home / "marker", 3)), 3);

  // Without the master list's record the next start verifies again and
  // repairs the damage.
  fs::remove(dir + "succeed1.txt");
  const UpdateRun verified = LaunchInstalled(x, server, dir, env, home / "verified-trace");
  ASSERT_EQ(verified.failure, "");
  EXPECT_EQ(ReadFileText(damaged), v2.at("data/file0.dat"));
  EXPECT_EQ(RequestsContaining(verified.requests, "/krnx/data/file0.dat 200").size(), 1u) << Joined(verified.requests);
  EXPECT_TRUE(FileExists(dir + "succeed1.txt"));

  // The player's way to the same: "Scan All Files" before Launch.
  const std::string missing = dir + "data/file1.dat";
  fs::remove(missing);
  const UpdateRun scanned = LaunchInstalled(x, server, dir, env, home / "scanned-trace", true);
  ASSERT_EQ(scanned.failure, "");
  EXPECT_EQ(ReadFileText(missing), v2.at("data/file1.dat"));
  EXPECT_EQ(RequestsContaining(scanned.requests, "/krnx/data/file1.dat 200").size(), 1u) << Joined(scanned.requests);
}
