// The settings store on its file: the registry calls, the file's folder and
// modes, damaged files, the well-known folders, and the promises of the
// rewrite under concurrency and sudden death. QUORVEL_REGISTRY points every
// test at a file of its own.
#include "platform/settings_store.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "platform/filesystem.h"
#include "platform/known_folders.h"
#include "platform/platform_log.h"
#include "support/process.h"
#include "support/scoped_env.h"

namespace {
constexpr const char* kProductKey = "Software\\Quorvel Online";
constexpr const char* kProductPath = "HKEY_CURRENT_USER\\Software\\Quorvel Online";

class SettingsStore : public testing::Test {
 protected:
  SettingsStore() : file_(dir_ / "settings.txt"), env_("QUORVEL_REGISTRY", file_.c_str()) {}

  long SetString(const char* name, const std::string& text) {
    HKEY k;
    long s = RegCreateKeyA(HKEY_CURRENT_USER, kProductKey, &k);
    if (s != ERROR_SUCCESS) return s;
    s = RegSetValueExA(k, name, 0, REG_SZ, reinterpret_cast<const unsigned char*>(text.c_str()),
                       DWORD(text.size() + 1));
    RegCloseKey(k);
    return s;
  }
  long SetDword(const char* name, uint32_t value) {
    HKEY k;
    long s = RegCreateKeyA(HKEY_CURRENT_USER, kProductKey, &k);
    if (s != ERROR_SUCCESS) return s;
    s = RegSetValueExA(k, name, 0, REG_DWORD, reinterpret_cast<const unsigned char*>(&value), 4);
    RegCloseKey(k);
    return s;
  }
  // The string value, or "<missing>".
  std::string GetString(const char* key, const char* name, HKEY hive = HKEY_CURRENT_USER) {
    HKEY k;
    if (RegOpenKeyExA(hive, key, 0, KEY_READ, &k) != ERROR_SUCCESS) return "<missing>";
    char buf[1024];
    DWORD size = sizeof buf, type = 0;
    long s = RegQueryValueExA(k, name, nullptr, &type, reinterpret_cast<unsigned char*>(buf), &size);
    RegCloseKey(k);
    return s == ERROR_SUCCESS && type == REG_SZ ? std::string(buf) : "<missing>";
  }
  SettingsParseResult ParseFile() { return ParseSettingsText(ReadFileText(file_)); }

  TempDir dir_;
  std::string file_;
  ScopedEnv env_;
};

TEST_F(SettingsStore, ValuesAreSetReadAndDeletedThroughTheRegistryCalls) {
  HKEY k = nullptr;
  EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kProductKey, 0, KEY_ALL_ACCESS, &k), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(k, nullptr);
  ASSERT_EQ(SetString("ProxyAddress", "proxy.example"), ERROR_SUCCESS);
  ASSERT_EQ(SetDword("ProxyPort", uint32_t(-1)), ERROR_SUCCESS);

  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "software\\QUORVEL ONLINE", 0, KEY_READ, &k), ERROR_SUCCESS);
  DWORD type = 0, size = 0;
  ASSERT_EQ(RegQueryValueExA(k, "proxyaddress", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, REG_SZ);
  EXPECT_EQ(size, 14u);  // with its NUL

  // A buffer one byte short: reported as too long, and not one byte written.
  char buf[32];
  std::memset(buf, '#', sizeof buf);
  size = 13;
  EXPECT_EQ(RegQueryValueExA(k, "ProxyAddress", nullptr, &type, reinterpret_cast<unsigned char*>(buf), &size),
            ERROR_MORE_DATA);
  EXPECT_EQ(size, 14u);
  for (char c : buf) EXPECT_EQ(c, '#');
  size = 14;
  ASSERT_EQ(RegQueryValueExA(k, "ProxyAddress", nullptr, &type, reinterpret_cast<unsigned char*>(buf), &size),
            ERROR_SUCCESS);
  EXPECT_STREQ(buf, "proxy.example");

  int32_t port = 0;
  size = 4;
  ASSERT_EQ(RegQueryValueExA(k, "ProxyPort", nullptr, &type, reinterpret_cast<unsigned char*>(&port), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(type, REG_DWORD);
  EXPECT_EQ(port, -1);

  EXPECT_EQ(RegDeleteValueA(k, "ProxyPort"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteValueA(k, "ProxyPort"), ERROR_FILE_NOT_FOUND);
  size = 4;
  EXPECT_EQ(RegQueryValueExA(k, "ProxyPort", nullptr, &type, reinterpret_cast<unsigned char*>(&port), &size),
            ERROR_FILE_NOT_FOUND);
  // A string written with a length of 0 is the empty string.
  EXPECT_EQ(RegSetValueExA(k, "Empty", 0, REG_SZ, nullptr, 0), ERROR_SUCCESS);
  EXPECT_EQ(GetString(kProductKey, "Empty"), "");
  // Types the store does not keep, and a dword of the wrong size, are refused.
  EXPECT_EQ(RegSetValueExA(k, "Bin", 0, 3, reinterpret_cast<const unsigned char*>("ab"), 2), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegSetValueExA(k, "Short", 0, REG_DWORD, reinterpret_cast<const unsigned char*>("ab"), 2),
            ERROR_INVALID_PARAMETER);
  RegCloseKey(k);
}

TEST_F(SettingsStore, DeletingAKeyTakesItsSubkeysAndAnOpenHandleLearnsIt) {
  HKEY sub, product;
  ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, "Software\\Quorvel Online\\Sub\\Deeper", &sub), ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExA(sub, "x", 0, REG_SZ, reinterpret_cast<const unsigned char*>("y"), 2), ERROR_SUCCESS);
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kProductKey, 0, KEY_ALL_ACCESS, &product), ERROR_SUCCESS);
  ASSERT_EQ(SetString("Other", "kept"), ERROR_SUCCESS);
  HKEY other;
  ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, "Software\\Quorvel Online-2", &other), ERROR_SUCCESS);
  RegCloseKey(other);

  EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Quorvel Online"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Quorvel Online"), ERROR_FILE_NOT_FOUND);
  HKEY k;
  EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Quorvel Online\\Sub", 0, KEY_READ, &k), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Quorvel Online-2", 0, KEY_READ, &k), ERROR_SUCCESS);
  RegCloseKey(k);
  // The handle outlives its key, and writing through it does not bring the key back.
  EXPECT_EQ(RegSetValueExA(sub, "x", 0, REG_SZ, reinterpret_cast<const unsigned char*>("z"), 2), ERROR_KEY_DELETED);
  EXPECT_FALSE(ParseFile().tree.Exists(kProductPath));
  RegCloseKey(sub);
  RegCloseKey(product);
  EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, ""), ERROR_ACCESS_DENIED);  // never a whole hive
}

TEST_F(SettingsStore, TheDefaultFileIsPrivateToItsUser) {
  ScopedEnv noFile("QUORVEL_REGISTRY", nullptr);
  ScopedEnv config("XDG_CONFIG_HOME", (dir_ / "config").c_str());
  const mode_t oldMask = umask(0);
  const long status = SetString("ProxyAuthorization", "dXNlcjpwYXNz");
  umask(oldMask);
  ASSERT_EQ(status, ERROR_SUCCESS);
  EXPECT_EQ(SettingsStorePath(), dir_ / "config/quorvel-online/settings.txt");
  struct stat st;
  ASSERT_EQ(stat((dir_ / "config/quorvel-online").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  ASSERT_EQ(stat(SettingsStorePath().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_EQ(GetString(kProductKey, "ProxyAuthorization"), "dXNlcjpwYXNz");
  EXPECT_FALSE(PlatFileExists(SettingsStorePath() + ".tmp"));
}

TEST_F(SettingsStore, WellKnownFoldersAreAnsweredFromXdg) {
  ScopedEnv data("XDG_DATA_HOME", (dir_ / "data").c_str());
  ScopedEnv config("XDG_CONFIG_HOME", (dir_ / "cfg").c_str());
  ScopedEnv home("HOME", (dir_ / "home").c_str());
  const char* shell = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
  EXPECT_EQ(GetString("SOFTWARE\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir", HKEY_LOCAL_MACHINE),
            dir_ / "data");
  EXPECT_EQ(GetString(shell, "Start Menu"), dir_ / "data/applications");
  EXPECT_EQ(GetString(shell, "Desktop"), dir_ / "home/Desktop");
  std::filesystem::create_directories(dir_ / "cfg");
  WriteFileText(dir_ / "cfg/user-dirs.dirs",
                "# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n");
  EXPECT_EQ(GetString(shell, "Desktop"), dir_ / "home/Schreibtisch");
  // Other values of those keys are ordinary ones, and the store file is not touched by reading.
  EXPECT_EQ(GetString(shell, "Favorites"), "<missing>");
  EXPECT_FALSE(PlatFileExists(file_));
}

std::vector<std::string> gLogLines;
void CaptureLog(const char* line) { gLogLines.push_back(line); }

TEST_F(SettingsStore, ADamagedFileIsReadForWhatItHoldsAndKeptAsBadBeforeTheFirstRewrite) {
  const std::string damaged = std::string("[") + kProductPath + "]\n\"InstallationDirectory\"=\"/games/q/\"\n" +
                              std::string("\x00\x13\xff binary\n", 11) + "\"Cut\"=\"no end\n" +
                              "\"UseProxy\"=dword:00000001\n\"Esc\"=\"\\q\"\n\"Last\"=\"cut of";
  WriteFileText(file_, damaged);
  gLogLines.clear();
  SetPlatLogSink(&CaptureLog);
  EXPECT_EQ(GetString(kProductKey, "InstallationDirectory"), "/games/q/");
  EXPECT_EQ(GetString(kProductKey, "Cut"), "<missing>");
  EXPECT_EQ(GetString(kProductKey, "Last"), "<missing>");
  EXPECT_EQ(gLogLines.size(), 1u) << "one line however often the file is read";
  EXPECT_FALSE(PlatFileExists(file_ + ".bad")) << "reading alone keeps the file as it is";
  EXPECT_EQ(ReadFileText(file_), damaged);

  ASSERT_EQ(SetString("ProxyAddress", "p"), ERROR_SUCCESS);
  SetPlatLogSink(nullptr);
  EXPECT_EQ(gLogLines.size(), 1u);
  EXPECT_EQ(ReadFileText(file_ + ".bad"), damaged);
  const SettingsParseResult now = ParseFile();
  EXPECT_FALSE(now.damaged());
  const SettingsKey* k = now.tree.Find(kProductPath);
  ASSERT_NE(k, nullptr);
  EXPECT_EQ(k->values.size(), 3u);
  EXPECT_EQ(k->Find("UseProxy")->dword, 1u);
  EXPECT_EQ(k->Find("ProxyAddress")->text, "p");
  // The next rewrite of a sound file leaves the kept copy alone.
  ASSERT_EQ(SetString("ProxyAddress", "q"), ERROR_SUCCESS);
  EXPECT_EQ(ReadFileText(file_ + ".bad"), damaged);
}

TEST_F(SettingsStore, AHundredMegabyteFileIsReadOnlyAsFarAsTheLimit) {
  WriteFileText(file_, std::string("[") + kProductPath + "]\n\"InstallationDirectory\"=\"/games/q/\"\n");
  ASSERT_EQ(truncate(file_.c_str(), 100 << 20), 0);  // sparse: the rest is NUL bytes
  gLogLines.clear();
  SetPlatLogSink(&CaptureLog);
  EXPECT_EQ(GetString(kProductKey, "InstallationDirectory"), "/games/q/");
  ASSERT_EQ(SetDword("UseProxy", 0), ERROR_SUCCESS);
  SetPlatLogSink(nullptr);
  EXPECT_EQ(gLogLines.size(), 1u);
  struct stat st;
  ASSERT_EQ(stat(file_.c_str(), &st), 0);
  EXPECT_LT(st.st_size, 4096);
  ASSERT_EQ(stat((file_ + ".bad").c_str(), &st), 0);
  EXPECT_EQ(st.st_size, 100 << 20);
  EXPECT_EQ(GetString(kProductKey, "InstallationDirectory"), "/games/q/");
}

// Two processes writing a hundred values each through the lock: none lost.
TEST_F(SettingsStore, TwoWritersNeverLoseEachOthersValues) {
  pid_t children[2];
  for (int c = 0; c < 2; ++c) {
    children[c] = ForkChild();
    ASSERT_GE(children[c], 0);
    if (children[c] == 0) {
      int failures = 0;
      for (int i = 0; i < 100; ++i) {
        const std::string name = "w" + std::to_string(c) + "-" + std::to_string(i);
        if (SetDword(name.c_str(), uint32_t(i)) != ERROR_SUCCESS) ++failures;
      }
      _exit(failures ? 1 : 0);
    }
  }
  for (pid_t child : children) {
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  const SettingsParseResult r = ParseFile();
  EXPECT_FALSE(r.damaged());
  const SettingsKey* k = r.tree.Find(kProductPath);
  ASSERT_NE(k, nullptr);
  EXPECT_EQ(k->values.size(), 200u);
  for (int c = 0; c < 2; ++c)
    for (int i = 0; i < 100; ++i) {
      const SettingsValue* v = k->Find("w" + std::to_string(c) + "-" + std::to_string(i));
      ASSERT_NE(v, nullptr) << c << " " << i;
      EXPECT_EQ(v->dword, uint32_t(i));
    }
}

// A writer killed at random moments of its rewrites: the file always reads
// cleanly as one whole state, old or new, and a killed writer's temporary
// file does not pile up.
TEST_F(SettingsStore, AWriterKilledMidRewriteLeavesTheOldOrTheNewContent) {
  // Enough filler that a rewrite takes a while.
  {
    SettingsTree tree;
    SettingsKey& k = tree.Create(kProductPath);
    for (int i = 0; i < 400; ++i) {
      SettingsValue v;
      v.name = "filler" + std::to_string(i);
      v.text = std::string(40, char('a' + i % 26));
      k.Set(v);
    }
    SettingsValue counter;
    counter.name = "Counter";
    counter.type = kSettingsDword;
    k.Set(counter);
    WriteFileText(file_, FormatSettingsText(tree));
  }
  std::mt19937 rng(12345);
  uint32_t lastSeen = 0;
  int advanced = 0, midWrite = 0;
  for (int run = 0; run < 300; ++run) {
    pid_t child = ForkChild();
    ASSERT_GE(child, 0);
    if (child == 0) {
      for (uint32_t n = 1;; ++n) SetDword("Counter", lastSeen + n);
    }
    usleep(rng() % 25000);  // a rewrite with its two fsyncs takes a few milliseconds
    kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    if (PlatFileExists(file_ + ".tmp")) ++midWrite;
    const SettingsParseResult r = ParseFile();
    ASSERT_FALSE(r.damaged()) << "run " << run;
    const SettingsKey* k = r.tree.Find(kProductPath);
    ASSERT_NE(k, nullptr) << "run " << run;
    ASSERT_EQ(k->values.size(), 401u) << "run " << run;
    ASSERT_EQ(k->Find("filler399")->text, std::string(40, char('a' + 399 % 26)));
    const uint32_t counter = k->Find("Counter")->dword;
    ASSERT_GE(counter, lastSeen) << "run " << run;
    if (counter > lastSeen) ++advanced;
    lastSeen = counter;
  }
  EXPECT_GT(advanced, 0) << "the writers never finished a rewrite";
  EXPECT_GT(midWrite, 0) << "no kill landed inside a rewrite";
  std::vector<std::string> names;
  ASSERT_TRUE(PlatListDirectory(dir_.path(), names));
  for (const std::string& n : names) EXPECT_TRUE(n == "settings.txt" || n == "settings.txt.tmp") << n;
  // The next writer replaces a dead writer's temporary file.
  ASSERT_EQ(SetDword("Counter", 0), ERROR_SUCCESS);
  EXPECT_FALSE(PlatFileExists(file_ + ".tmp"));
}

TEST(KnownFolders, UserDirsEntries) {
  const char* text =
      "XDG_DOWNLOAD_DIR=\"$HOME/Downloads\"\n"
      "  XDG_DESKTOP_DIR=\"$HOME/My Desk\"\n"
      "XDG_DESKTOP_DIRX=\"/wrong\"\n";
  EXPECT_EQ(ParseUserDirsEntry(text, "XDG_DESKTOP_DIR", "/home/ann"), "/home/ann/My Desk");
  EXPECT_EQ(ParseUserDirsEntry("XDG_DESKTOP_DIR=\"/srv/desk/\"\n", "XDG_DESKTOP_DIR", "/h"), "/srv/desk");
  EXPECT_EQ(ParseUserDirsEntry("XDG_DESKTOP_DIR=\"relative\"\n", "XDG_DESKTOP_DIR", "/h"), "");
  EXPECT_EQ(ParseUserDirsEntry("XDG_DESKTOP_DIR=\"$HOMEX/a\"\n", "XDG_DESKTOP_DIR", "/h"), "");
  EXPECT_EQ(ParseUserDirsEntry("XDG_DESKTOP_DIR=\"$HOME/a\n", "XDG_DESKTOP_DIR", "/h"), "");
  EXPECT_EQ(ParseUserDirsEntry("XDG_DESKTOP_DIR=\"/a\"\nXDG_DESKTOP_DIR=\"/b\"\n", "XDG_DESKTOP_DIR", "/h"), "/b");
  EXPECT_EQ(ParseUserDirsEntry("", "XDG_DESKTOP_DIR", "/h"), "");
}
}  // namespace
