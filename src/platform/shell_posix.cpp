#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <strings.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

#include "platform/desktop_entry.h"
#include "platform/filesystem.h"
#include "platform/shell.h"

extern char** environ;

namespace {
constexpr intptr_t kShellExecuteOk = 42;

// An address with a scheme of at least two letters ("c:" is a drive).
bool HasUrlScheme(const std::string& s) {
  size_t colon = s.find(':');
  if (colon == std::string::npos || colon < 2) return false;
  for (size_t i = 0; i < colon; ++i) {
    const char c = s[i];
    const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    if (!letter && !(i > 0 && ((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.'))) return false;
  }
  return true;
}

bool EndsWithExe(const std::string& s) { return s.size() >= 4 && strcasecmp(s.c_str() + s.size() - 4, ".exe") == 0; }

std::string FindInPath(const char* program) {
  const char* path = std::getenv("PATH");
  std::string list = path && *path ? path : "/usr/local/bin:/usr/bin:/bin";
  size_t start = 0;
  while (start <= list.size()) {
    size_t end = list.find(':', start);
    if (end == std::string::npos) end = list.size();
    const std::string dir = end > start ? list.substr(start, end - start) : std::string(".");
    const std::string candidate = dir + "/" + program;
    if (access(candidate.c_str(), X_OK) == 0) return candidate;
    start = end + 1;
  }
  return "";
}

// Children started earlier are collected when they have ended, so a caller
// that lives on keeps no zombies.
std::mutex gChildrenMutex;
std::vector<pid_t> gChildren;

void ReapEndedChildren() {
  std::lock_guard<std::mutex> lock(gChildrenMutex);
  for (size_t i = 0; i < gChildren.size();) {
    if (waitpid(gChildren[i], nullptr, WNOHANG) != 0) {
      gChildren.erase(gChildren.begin() + long(i));
    } else {
      ++i;
    }
  }
}

intptr_t SpawnErrorCode(int error) {
  switch (error) {
    case ENOENT:
    case ENOTDIR: return SE_ERR_FNF;
    case EACCES:
    case EPERM: return SE_ERR_ACCESSDENIED;
    case ENOEXEC:
    case ELIBBAD: return kShellExecuteBadFormat;
    default: return SE_ERR_OOM;
  }
}

// Starts argv in a new session with standard input from /dev/null; the
// signal mask and the dispositions the caller changed are reset. Returns 0
// or the errno of the failed start (exec failures are reported by glibc).
int Spawn(const std::vector<std::string>& argv, const char* directory, pid_t* pid) {
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attr;
  posix_spawn_file_actions_init(&actions);
  posix_spawnattr_init(&attr);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  if (directory && *directory) posix_spawn_file_actions_addchdir_np(&actions, directory);
  sigset_t none, all;
  sigemptyset(&none);
  sigfillset(&all);
  posix_spawnattr_setsigmask(&attr, &none);
  posix_spawnattr_setsigdefault(&attr, &all);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  const int error = posix_spawn(pid, args[0], &actions, &attr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attr);
  return error;
}

intptr_t StartProgram(const std::string& path, const char* parameters, const char* directory) {
  std::vector<std::string> argv = {path};
  if (parameters)
    for (std::string& a : SplitCommandLine(parameters)) argv.push_back(std::move(a));
  pid_t pid = -1;
  const int error = Spawn(argv, directory, &pid);
  if (error) return SpawnErrorCode(error);
  std::lock_guard<std::mutex> lock(gChildrenMutex);
  gChildren.push_back(pid);
  return kShellExecuteOk;
}

// xdg-open is started through a shell that puts it in the background and
// ends at once, so it is not our child (xdg-open may wait for the viewer).
intptr_t OpenWithDesktop(const std::string& target) {
  const std::string opener = FindInPath("xdg-open");
  if (opener.empty()) return SE_ERR_NOASSOC;
  pid_t pid = -1;
  const int error =
      Spawn({"/bin/sh", "-c", "\"$0\" \"$1\" >/dev/null 2>&1 </dev/null &", opener, target}, nullptr, &pid);
  if (error) return SpawnErrorCode(error);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? kShellExecuteOk : SE_ERR_NOASSOC;
}

bool WriteFileReplacing(const std::string& path, const std::string& text, mode_t mode) {
  const std::string tmp = path + ".tmp";
  unlink(tmp.c_str());
  int fd = open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) return false;
  bool ok = write(fd, text.data(), text.size()) == ssize_t(text.size()) && fchmod(fd, mode) == 0;
  ok = close(fd) == 0 && ok;
  if (!ok || rename(tmp.c_str(), path.c_str()) != 0) {
    unlink(tmp.c_str());
    return false;
  }
  return true;
}

bool MakeFolders(const std::string& dir) {
  if (dir.empty() || PlatIsDirectory(dir)) return true;
  size_t slash = dir.find_last_of('/');
  if (slash != std::string::npos && slash > 0 && !MakeFolders(dir.substr(0, slash))) return false;
  return PlatMakeDirectory(dir);
}
}  // namespace

intptr_t ShellExecuteA(HWND owner, const char* operation, const char* file, const char* parameters,
                       const char* directory, int showCommand) {
  ReapEndedChildren();
  if (operation && *operation && strcasecmp(operation, "open") != 0) return SE_ERR_NOASSOC;
  if (!file || !*file) return SE_ERR_FNF;
  const std::string target = file;
  if (HasUrlScheme(target)) return OpenWithDesktop(target);
  const std::string path = PlatNativePath(target);
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return errno == EACCES ? SE_ERR_ACCESSDENIED : SE_ERR_FNF;
  if (S_ISDIR(st.st_mode)) return OpenWithDesktop(path);
  if (access(path.c_str(), X_OK) == 0) {
    // A path without a slash is a file in the working directory, never a
    // program looked for in PATH.
    return StartProgram(path.find('/') == std::string::npos ? "./" + path : path, parameters, directory);
  }
  // A program's file that has lost its execute permission is not handed to
  // a viewer.
  if (EndsWithExe(path)) return SE_ERR_ACCESSDENIED;
  return OpenWithDesktop(path);
}

std::string ShellLinkPath(const std::string& folder, const std::string& name) {
  std::string path = PlatNativePath(folder);
  if (!path.empty() && path.back() != kPathSeparator) path += kPathSeparator;
  return path + name + kShellLinkExtension;
}

int CreateShortcut(const ShellLink& link, const std::string& folder) {
  if (link.name.empty() || link.name.find('/') != std::string::npos || link.name.find('\\') != std::string::npos)
    return 0;
  const std::string target = PlatNativePath(link.target);
  if (target.empty() || target[0] != '/') return 0;
  DesktopEntry entry;
  entry.name = link.name;
  entry.target = target;
  entry.workingDirectory = PlatNativePath(link.workingDirectory);
  entry.arguments = link.arguments;
  // A program is what the launcher would start: executable now, or a
  // ".exe", which the program makes executable when it writes one.
  entry.application = EndsWithExe(target) || (access(target.c_str(), X_OK) == 0 && !PlatIsDirectory(target));
  if (!DesktopEntryIsWritable(entry)) return 0;
  const std::string path = ShellLinkPath(folder, link.name);
  if (!MakeFolders(PlatNativePath(folder))) return 0;
  // Executable, which desktops ask of a launcher they are to trust.
  return WriteFileReplacing(path, FormatDesktopEntry(entry), 0755) ? 1 : 0;
}

int DeleteShortcut(const ShellLink& link, const std::string& folder) {
  if (link.name.empty()) return 0;
  return unlink(ShellLinkPath(folder, link.name).c_str()) == 0 ? 1 : 0;
}
