// Shell links as desktop entries (checked with desktop-file-validate),
// starting programs and opening addresses, and the single-instance lock.
#include "platform/shell.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "platform/desktop_entry.h"
#include "platform/directory_maintenance.h"
#include "platform/filesystem.h"
#include "platform/instance_lock.h"
#include "support/process.h"
#include "support/scoped_env.h"

namespace {
void WriteScript(const std::string& path, const std::string& body) {
  WriteFileText(path, "#!/bin/sh\n" + body);
  chmod(path.c_str(), 0755);
}

// Waits up to five seconds for a file to appear with some content.
std::string WaitForFile(const std::string& path) {
  for (int i = 0; i < 500; ++i) {
    std::string text = PlatFileExists(path) ? ReadFileText(path) : "";
    if (!text.empty() && text.back() == '\n') return text;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return "";
}

// desktop-file-validate's verdict: "" when the file is valid.
std::string Validate(const std::string& path) {
  ProcessResult r = RunProcess({"/bin/sh", "-c", "desktop-file-validate \"$0\"", path});
  if (r.exitCode == 0 && r.out.find("error") == std::string::npos) return "";
  return "exit " + std::to_string(r.exitCode) + ": " + r.out + r.err;
}

TEST(DesktopEntry, ExecArgumentsAreQuotedByTheDesktopEntryRules) {
  EXPECT_EQ(QuoteExecArgument("/usr/bin/plain"), "/usr/bin/plain");
  EXPECT_EQ(QuoteExecArgument("/games/Quorvel Online/quorvel.exe"), "\"/games/Quorvel Online/quorvel.exe\"");
  EXPECT_EQ(QuoteExecArgument("a\"b"), "\"a\\\"b\"");
  EXPECT_EQ(QuoteExecArgument("$HOME"), "\"\\$HOME\"");
  EXPECT_EQ(QuoteExecArgument("back\\slash"), "\"back\\\\slash\"");
  EXPECT_EQ(QuoteExecArgument("tick`"), "\"tick\\`\"");
  EXPECT_EQ(QuoteExecArgument("it's"), "\"it's\"");
  EXPECT_EQ(QuoteExecArgument("100%"), "100%%");
  EXPECT_EQ(QuoteExecArgument(""), "\"\"");
  // The string escapes of the file come on top: a backslash doubles again.
  EXPECT_EQ(EscapeDesktopString(QuoteExecArgument("back\\slash")), "\"back\\\\\\\\slash\"");
  EXPECT_EQ(EscapeDesktopString(" lead\ttab\nline"), "\\slead\\ttab\\nline");
  EXPECT_EQ(ExecLine("/a b/q.exe", SplitCommandLine("-u \"two words\"")), "\"/a b/q.exe\" -u \"two words\"");
  EXPECT_EQ(FileUrl("/a b/read me.txt"), "file:///a%20b/read%20me.txt");
}

TEST(DesktopEntry, CommandLinesSplitAtBlanksOutsideQuotes) {
  using V = std::vector<std::string>;
  EXPECT_EQ(SplitCommandLine(""), V{});
  EXPECT_EQ(SplitCommandLine("  -u  "), V{"-u"});
  EXPECT_EQ(SplitCommandLine("-a \"b c\" d\"e f\"g"), (V{"-a", "b c", "de fg"}));
  EXPECT_EQ(SplitCommandLine("\"\" x"), (V{"", "x"}));
  EXPECT_EQ(SplitCommandLine("say \\\"hi\\\""), (V{"say", "\"hi\""}));
}

class ShellLinks : public testing::Test {
 protected:
  void SetUp() override {
    install_ = dir_ / "Tellurant/Quorvel $Online \"q\" 100%";
    std::filesystem::create_directories(install_);
    WriteScript(install_ + "/quorvel.exe", "exit 0\n");
    WriteFileText(install_ + "/readme.txt", "hello\n");
    menu_ = dir_ / "applications\\Programs\\Tellurant\\Brasklund Online";
  }
  ShellLink Link(const std::string& file, const std::string& name, const std::string& args = "") {
    return ShellLink{install_ + "/" + file, install_ + "/", args, name};
  }
  TempDir dir_;
  std::string install_, menu_;
};

TEST_F(ShellLinks, EntriesAreWrittenValidAndRemoved) {
  const ShellLink links[] = {Link("quorvel.exe", "Quorvel Online"),
                             Link("quorvel.exe", "Uninstall Quorvel Online", "-u"), Link("readme.txt", "Readme")};
  for (const ShellLink& l : links) ASSERT_EQ(CreateShortcut(l, menu_), 1) << l.name;
  const std::string folder = dir_ / "applications/Programs/Tellurant/Brasklund Online";
  for (const ShellLink& l : links) {
    const std::string path = folder + "/" + l.name + ".desktop";
    EXPECT_EQ(ShellLinkPath(menu_, l.name), path);
    ASSERT_TRUE(PlatFileExists(path)) << path;
    EXPECT_EQ(Validate(path), "") << ReadFileText(path);
  }
  const std::string uninstall = ReadFileText(folder + "/Uninstall Quorvel Online.desktop");
  EXPECT_NE(uninstall.find("Type=Application\n"), std::string::npos);
  EXPECT_NE(uninstall.find("Name=Uninstall Quorvel Online\n"), std::string::npos);
  EXPECT_NE(
      uninstall.find("Exec=\"" + dir_.path() + "/Tellurant/Quorvel \\\\$Online \\\\\"q\\\\\" 100%%/quorvel.exe\" -u\n"),
      std::string::npos)
      << uninstall;
  EXPECT_NE(uninstall.find("Path=" + dir_.path() + "/Tellurant/Quorvel $Online \"q\" 100%/\n"), std::string::npos)
      << uninstall;
  const std::string readme = ReadFileText(folder + "/Readme.desktop");
  EXPECT_NE(readme.find("Type=Link\n"), std::string::npos);
  EXPECT_NE(readme.find("URL=file://" + dir_.path() + "/Tellurant/Quorvel%20%24Online%20%22q%22%20100%25/readme.txt\n"),
            std::string::npos)
      << readme;
  EXPECT_EQ(readme.find("Exec="), std::string::npos);

  // Removing: the links go, and a folder goes only once it is empty.
  ASSERT_EQ(DeleteShortcut(links[0], menu_), 1);
  EXPECT_EQ(DeleteShortcut(links[0], menu_), 0);
  EXPECT_FALSE(PlatRemoveEmptyDirectory(folder));
  EXPECT_TRUE(PlatIsDirectory(folder));
  ASSERT_EQ(DeleteShortcut(links[1], menu_), 1);
  ASSERT_EQ(DeleteShortcut(links[2], menu_), 1);
  EXPECT_FALSE(PlatRemoveEmptyDirectory(dir_ / "applications/Programs"));
  EXPECT_TRUE(PlatRemoveEmptyDirectory(folder));
  EXPECT_FALSE(PlatFileExists(folder));
}

// A desktop file has escapes for tab, newline and carriage return only: a
// link whose texts hold any other control byte is refused, not written with
// the raw byte. The link comes from data/desktop_entry_control_bytes.bin
// (name, target, directory and arguments, NUL-separated).
TEST_F(ShellLinks, ALinkWithAControlByteIsRefusedAndOneWithATabOrNewlineIsEscaped) {
  const std::string bytes =
      ReadFileText(std::string(QUORVEL_SOURCE_DIR) + "/tests/platform/data/desktop_entry_control_bytes.bin");
  std::vector<std::string> fields(1);
  for (char c : bytes) {
    if (c) fields.back() += c;
    else fields.emplace_back();
  }
  ASSERT_GE(fields.size(), 4u);
  const DesktopEntry entry{fields[0], fields[1], fields[2], fields[3], true};
  EXPECT_FALSE(DesktopEntryIsWritable(entry));
  for (int i = 0; i < 4; ++i) {
    DesktopEntry one{"Name", "/g/q.exe", "/g/", "-u", true};
    std::string* texts[] = {&one.name, &one.target, &one.workingDirectory, &one.arguments};
    EXPECT_TRUE(DesktopEntryIsWritable(one));
    *texts[i] = *texts[i] + "\x01";
    EXPECT_FALSE(DesktopEntryIsWritable(one)) << i;
  }
  EXPECT_EQ(CreateShortcut(Link("quorvel.exe", fields[0]), menu_), 0);
  EXPECT_EQ(CreateShortcut(Link("quorvel.exe", "Quorvel Online", fields[3]), menu_), 0);
  EXPECT_FALSE(PlatFileExists(ShellLinkPath(menu_, "Quorvel Online")));

  const ShellLink tabbed = Link("quorvel.exe", "Quorvel\tOnline\r", "-u \"new\nline\"");
  ASSERT_EQ(CreateShortcut(tabbed, menu_), 1);
  const std::string path = ShellLinkPath(menu_, tabbed.name);
  const std::string text = ReadFileText(path);
  for (char c : text) EXPECT_TRUE(c == '\n' || static_cast<unsigned char>(c) >= 0x20) << text;
  EXPECT_NE(text.find("Name=Quorvel\\tOnline\\r\n"), std::string::npos) << text;
  EXPECT_NE(text.find(" -u \"new\\nline\"\n"), std::string::npos) << text;
  EXPECT_EQ(Validate(path), "") << text;
}

TEST_F(ShellLinks, ALinkWithoutAnAbsoluteTargetOrWithASlashInItsNameIsRefused) {
  EXPECT_EQ(CreateShortcut(ShellLink{"relative/quorvel.exe", "", "", "Quorvel Online"}, menu_), 0);
  EXPECT_EQ(CreateShortcut(Link("quorvel.exe", "../escape"), menu_), 0);
  EXPECT_EQ(CreateShortcut(Link("quorvel.exe", ""), menu_), 0);
  EXPECT_FALSE(PlatFileExists(dir_ / "applications"));
}

TEST(ShellExecute, ProgramsStartInASessionOfTheirOwnWithTheirArguments) {
  TempDir dir;
  const std::string out = dir / "out.txt";
  // The script reports its session (field 6 of /proc/self/stat) and arguments.
  WriteScript(dir / "game copy.exe",
              "read -r stat < /proc/$$/stat\nset -- \"$@\"\nsid=$(echo \"$stat\" | awk '{print $6}')\n"
              "printf '%s|%s|%s|%s\\n' \"$sid\" \"$1\" \"$2\" \"$(pwd)\" > '" +
                  out + "'\n");
  const intptr_t result = ShellExecuteA(nullptr, "open", (dir / "game copy.exe").c_str(), "-x \"two words\"",
                                        dir.path().c_str(), SW_SHOWNORMAL);
  EXPECT_GT(result, 32);
  const std::string line = WaitForFile(out);
  ASSERT_FALSE(line.empty());
  const std::string sid = line.substr(0, line.find('|'));
  EXPECT_NE(sid, std::to_string(getsid(0)));
  EXPECT_EQ(line.substr(line.find('|')), "|-x|two words|" + dir.path() + "\n");
}

TEST(ShellExecute, MissingAndUnrunnableFilesFail) {
  TempDir dir;
  EXPECT_LE(ShellExecuteA(nullptr, "open", (dir / "missing.exe").c_str(), nullptr, nullptr, SW_SHOWNORMAL), 32);
  EXPECT_LE(ShellExecuteA(nullptr, "open", "", nullptr, nullptr, SW_SHOWNORMAL), 32);
  WriteFileText(dir / "noexec.exe", "#!/bin/sh\nexit 0\n");
  EXPECT_EQ(ShellExecuteA(nullptr, "open", (dir / "noexec.exe").c_str(), nullptr, nullptr, SW_SHOWNORMAL),
            SE_ERR_ACCESSDENIED);
  // Executable, but not a program this system runs.
  WriteFileText(dir / "garbage.exe", "MZ not really a program");
  chmod((dir / "garbage.exe").c_str(), 0755);
  EXPECT_LE(ShellExecuteA(nullptr, "open", (dir / "garbage.exe").c_str(), nullptr, nullptr, SW_SHOWNORMAL), 32);
  WriteScript(dir / "ok.exe", "exit 0\n");
  EXPECT_EQ(ShellExecuteA(nullptr, "print", (dir / "ok.exe").c_str(), nullptr, nullptr, SW_SHOWNORMAL), SE_ERR_NOASSOC);
}

// Web addresses go to xdg-open, which with no desktop session hands them to
// $BROWSER.
TEST(ShellExecute, AddressesGoToXdgOpen) {
  if (std::system("command -v xdg-open >/dev/null") != 0) FAIL() << "xdg-open (xdg-utils) is not installed";
  TempDir dir;
  const std::string out = dir / "browser.txt";
  WriteScript(dir / "browser", "printf '%s\\n' \"$1\" > '" + out + "'\n");
  ScopedEnv browser("BROWSER", (dir / "browser").c_str());
  ScopedEnv display("DISPLAY", nullptr);
  ScopedEnv wayland("WAYLAND_DISPLAY", nullptr);
  ScopedEnv desktop("XDG_CURRENT_DESKTOP", nullptr);
  ScopedEnv session("DESKTOP_SESSION", nullptr);
  const char* url = "http://127.0.0.1:9/help page?a=1&b=$x";
  EXPECT_GT(ShellExecuteA(nullptr, "open", url, nullptr, nullptr, SW_SHOWNORMAL), 32);
  EXPECT_EQ(WaitForFile(out), std::string(url) + "\n");
  ScopedEnv noPath("PATH", dir.path().c_str());
  EXPECT_EQ(ShellExecuteA(nullptr, "open", url, nullptr, nullptr, SW_SHOWNORMAL), SE_ERR_NOASSOC);
}

TEST(InstanceLock, ASecondCopyLearnsOfTheFirstAndANewOneStartsAfterSigkill) {
  TempDir runtime;
  ScopedEnv env("XDG_RUNTIME_DIR", runtime.path().c_str());
  const char* name = "Quorvel Online.mutex";
  EXPECT_EQ(InstanceLockPath(name), runtime / name);
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  pid_t first = ForkChild();
  ASSERT_GE(first, 0);
  if (first == 0) {
    HANDLE m = CreateMutexA(nullptr, 0, name);
    const char ok = m && GetLastError() == DWORD(ERROR_SUCCESS) ? 'y' : 'n';
    if (write(ready[1], &ok, 1) != 1) _exit(2);
    pause();
    _exit(0);
  }
  char ok = 0;
  ASSERT_EQ(read(ready[0], &ok, 1), 1);
  EXPECT_EQ(ok, 'y');
  HANDLE second = CreateMutexA(nullptr, 0, name);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_ALREADY_EXISTS));
  CloseHandle(second);

  kill(first, SIGKILL);
  waitpid(first, nullptr, 0);
  HANDLE third = CreateMutexA(nullptr, 0, name);
  ASSERT_NE(third, nullptr);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_SUCCESS));
  // The holder's lock is not handed to a program it starts: once the holder
  // lets go, a new copy runs even while that program lives on.
  WriteScript(runtime / "game.exe", "sleep 3\n");
  ASSERT_GT(ShellExecuteA(nullptr, "open", (runtime / "game.exe").c_str(), nullptr, nullptr, SW_SHOWNORMAL), 32);
  CloseHandle(third);
  HANDLE fourth = CreateMutexA(nullptr, 0, name);
  ASSERT_NE(fourth, nullptr);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_SUCCESS));
  CloseHandle(fourth);
  close(ready[0]);
  close(ready[1]);
}

TEST(InstanceLock, WithoutARuntimeFolderTheLockIsPerUserInTheTemporaryFolder) {
  TempDir tmp;
  ScopedEnv runtime("XDG_RUNTIME_DIR", nullptr);
  ScopedEnv tmpdir("TMPDIR", tmp.path().c_str());
  EXPECT_EQ(InstanceLockPath("Quorvel Online.mutex"), tmp / ("Quorvel Online.mutex." + std::to_string(getuid())));
  HANDLE m = CreateMutexA(nullptr, 0, "Quorvel Online.mutex");
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_SUCCESS));
  struct stat st;
  ASSERT_EQ(stat(InstanceLockPath("Quorvel Online.mutex").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  CloseHandle(m);
}
}  // namespace
