// A first installation followed to everything it leaves behind: the package
// copy that takes what the package has, fetches what it lacks and leaves what
// is already installed alone; the settings value, the menu and desktop
// entries, the uninstall entry; the game copy started from the installation
// directory; and the next start, which clears the stale copies.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "support/files.h"
#include "support/journey.h"
#include "support/launcher_session.h"
#include "support/process.h"
#include "support/served_release.h"
#include "support/temp_dir.h"
#include "support/xvfb.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kProductKey = "HKEY_CURRENT_USER\\Software\\Quorvel Online";
constexpr const char* kUninstallKey =
    "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quorvel Online";

struct FileStamp {
  ino_t inode = 0;
  time_t mtime = 0;
};

FileStamp StampOf(const std::string& path) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) return {};
  return {st.st_ino, st.st_mtime};
}

// The desktop entry's "Key=value" lines.
std::string EntryValue(const std::string& entry, const std::string& key) {
  const std::string text = ReadFileText(entry);
  const size_t at = text.find("\n" + key + "=");
  if (at == std::string::npos) return "(no " + key + ")";
  const size_t start = at + key.size() + 2;
  return text.substr(start, text.find('\n', start) - start);
}

}  // namespace

TEST(CompleteInstallJourney, CopiesFetchesAndKeepsThenRecordsTheInstallationAndClearsStaleCopies) {
  Xvfb x;
  ASSERT_TRUE(x.running()) << "Xvfb did not start";
  ServedRelease server;
  const GameFiles game = SmallGame("1.0");
  ASSERT_EQ(server.Publish("v1", game), "");
  ASSERT_EQ(server.Serve("v1"), "");
  ASSERT_EQ(server.Start(), "");
  TempDir home, package;
  const std::string pkg = package / "pkg";
  ASSERT_EQ(server.Package("v1", pkg), "");
  // The package lacks one file (fetched); the player's directory already holds
  // one file with the right content (left alone) and one with stale content
  // (replaced from the package).
  fs::remove(pkg + "/data/file3.dat");
  const std::string dir = DefaultInstallDir(home.path());
  WriteFileText(dir + "data/file5.dat", game.at("data/file5.dat"));
  WriteFileText(dir + "data/file6.dat", "an older file6");
  fs::last_write_time(dir + "data/file5.dat", fs::file_time_type::clock::now() - std::chrono::hours(24 * 400));
  const FileStamp kept = StampOf(dir + "data/file5.dat");
  const std::vector<std::string> env = JourneyEnv(home.path(), server.base());

  const auto started = std::chrono::steady_clock::now();
  ASSERT_EQ(InstallFromPackage(x, pkg, env, home / "trace"), "");
  const long elapsedMs =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started).count();
  const std::vector<TraceLine> trace = ParseTraceText(ReadFileText(home / "trace"));
  const std::vector<std::string> requests = server.server().AccessLog();

  // Files: all there; copied, fetched or left as they came.
  for (const auto& [name, contents] : game) EXPECT_EQ(ReadFileText(dir + name), contents) << name;
  EXPECT_EQ(FileMd5Hex(dir + "quorvel1.exe"), FileMd5Hex(QUORVEL_DEMO_GAME));
  std::vector<std::string> reported;
  for (const TraceLine& line : trace)
    if (line.word == "report" && line.fields.size() >= 2) reported.push_back(line.fields[0] + " " + line.fields[1]);
  auto wasReported = [&reported](const std::string& what) {
    return std::find(reported.begin(), reported.end(), what) != reported.end();
  };
  EXPECT_TRUE(wasReported("0 data/file3.dat")) << "the file the package lacks is fetched";
  EXPECT_EQ(RequestsContaining(requests, "/krnx/data/file3.dat 200").size(), 1u);
  for (const char* name : {"data/file4.dat", "data/file5.dat", "data/file6.dat", "quorvel1.exe", "data/big.dat"}) {
    for (const std::string& r : reported) EXPECT_EQ(r.find(name), std::string::npos) << r;
    EXPECT_TRUE(RequestsContaining(requests, name).empty()) << name << " was asked of the server";
  }
  const FileStamp after = StampOf(dir + "data/file5.dat");
  EXPECT_EQ(after.inode, kept.inode) << "an installed file with the right digest is not copied again";
  EXPECT_EQ(after.mtime, kept.mtime) << "an installed file with the right digest is not rewritten";
  EXPECT_FALSE(fs::exists(dir + "data/file6.dat.ins"));

  // The record of the installation.
  bool found = false;
  EXPECT_EQ(SettingsValue(env, kProductKey, "InstallationDirectory", &found), dir);
  EXPECT_TRUE(found);
  EXPECT_EQ(SettingsValue(env, kUninstallKey, "DisplayName"), "Quorvel Online");
  EXPECT_EQ(SettingsValue(env, kUninstallKey, "UninstallString"), dir + "quorvel.exe -u");

  // The menu entries and the desktop entry, each a valid desktop entry that
  // starts its target in the installation directory.
  const std::string menu = home / "share/applications/Programs/Tellurant/Brasklund Online/";
  struct Shortcut {
    std::string path, target, arguments;
  };
  const std::vector<Shortcut> shortcuts = {
      {menu + "Quorvel Online.desktop", dir + "quorvel.exe", ""},
      {menu + "Uninstall Quorvel Online.desktop", dir + "quorvel.exe", "-u"},
      {menu + "Readme.desktop", dir + "readme.txt", ""},
      {home / "Desktop/Quorvel Online.desktop", dir + "quorvel.exe", ""},
  };
  for (const Shortcut& s : shortcuts) {
    ASSERT_TRUE(FileExists(s.path)) << s.path;
    const ProcessResult valid = RunProcess({"desktop-file-validate", s.path});
    EXPECT_EQ(valid.exitCode, 0) << s.path << ":\n" << valid.out << valid.err << ReadFileText(s.path);
    const std::string text = ReadFileText(s.path);
    EXPECT_NE(text.find(fs::path(s.target).filename().string()), std::string::npos) << text;
    if (EntryValue(s.path, "Type") == "Application") {
      std::error_code ec;
      EXPECT_TRUE(fs::equivalent(EntryValue(s.path, "Path"), dir, ec)) << text;
      const std::string exec = EntryValue(s.path, "Exec");
      EXPECT_EQ(exec.size() >= 2 && exec.compare(exec.size() - 2, 2, "-u") == 0, s.arguments == "-u") << exec;
    }
  }
  EXPECT_EQ(EntryValue(menu + "Quorvel Online.desktop", "Type"), "Application");
  EXPECT_EQ(EntryValue(menu + "Uninstall Quorvel Online.desktop", "Type"), "Application");

  // The game: a copy named by the number rule, started in the installation
  // directory. The number is below the launcher's tick count (64 a second)
  // at the launch, which the time since the test started it bounds.
  const TraceLine* launch = nullptr;
  for (const TraceLine& line : trace)
    if (line.word == "launch") launch = &line;
  ASSERT_NE(launch, nullptr);
  ASSERT_EQ(launch->fields.size(), 1u);
  const std::string copy = launch->fields[0];
  EXPECT_EQ(fs::path(copy).parent_path().string() + "/", dir);
  std::smatch number;
  const std::string copyName = fs::path(copy).filename().string();
  ASSERT_TRUE(std::regex_match(copyName, number, std::regex("quorvel1([0-9]+)1\\.exe"))) << copyName;
  EXPECT_LE(std::stoll(number[1]), elapsedMs * 64 / 1000 + 1) << copyName;
  EXPECT_EQ(FileMd5Hex(copy), FileMd5Hex(dir + "quorvel1.exe"));
  const std::string marker = WaitForFileContaining(home / "marker", "end\n");
  EXPECT_NE(marker.find("cwd " + fs::canonical(dir).string() + "\n"), std::string::npos) << marker;
  EXPECT_NE(marker.find("exe " + fs::canonical(copy).string() + "\n"), std::string::npos) << marker;

  // The next start, from elsewhere, works in the installation directory: the
  // stale copies go, "quorvel1.exe" stays in any letter case, other names stay.
  WriteFileText(dir + "QUORVEL1451.EXE", "stale");
  WriteFileText(dir + "Quorvel1.EXE", "not a copy");
  WriteFileText(dir + "quorvel1.bak", "not a copy");
  LauncherSession next(x);
  ASSERT_TRUE(next.Start(dir + "quorvel.exe", {}, home.path(), env, home / "trace2"));
  ASSERT_NE(next.WaitFor("present", 60000).raw, "") << next.Describe();
  EXPECT_TRUE(next.Seen("widget button \"Launch\"")) << "installed: the menu offers Launch\n" << next.Describe();
  EXPECT_FALSE(fs::exists(copy)) << copy;
  EXPECT_FALSE(fs::exists(dir + "QUORVEL1451.EXE"));
  EXPECT_TRUE(fs::exists(dir + "quorvel1.exe"));
  EXPECT_TRUE(fs::exists(dir + "Quorvel1.EXE"));
  EXPECT_TRUE(fs::exists(dir + "quorvel1.bak"));
  ASSERT_TRUE(x.CloseWindow(next.Window()));
  EXPECT_FALSE(next.Wait(60000).timedOut) << next.Describe();
}
