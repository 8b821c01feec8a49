#include <dirent.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "platform/filesystem.h"

std::string PlatNativePath(const std::string& path) {
  std::string out(path);
  for (char& c : out)
    if (c == '/' || c == '\\') c = kPathSeparator;
  return out;
}

bool PlatListDirectory(const std::string& directory, std::vector<std::string>& names) {
  std::string dir = directory.empty() ? "." : PlatNativePath(directory);
  DIR* d = opendir(dir.c_str());
  if (!d) return false;
  while (dirent* e = readdir(d)) {
    if (!std::strcmp(e->d_name, ".") || !std::strcmp(e->d_name, "..")) continue;
    names.emplace_back(e->d_name);
  }
  closedir(d);
  return true;
}

bool PlatFileExists(const std::string& path) {
  struct stat st;
  return stat(PlatNativePath(path).c_str(), &st) == 0;
}

int PlatSeekStream(std::FILE* stream, long long offset, int whence) {
  return fseeko(stream, static_cast<off_t>(offset), whence);
}

long long PlatTellStream(std::FILE* stream) { return static_cast<long long>(ftello(stream)); }

long long PlatFreeDiskBytes(const std::string& path) {
  std::string at = path.empty() ? "." : path;
  for (;;) {
    struct statvfs fs;
    if (statvfs(at.c_str(), &fs) == 0) return static_cast<long long>(fs.f_bavail) * static_cast<long long>(fs.f_frsize);
    if ((errno != ENOENT && errno != ENOTDIR) || at == "." || at == "/") return -1;
    while (at.size() > 1 && (at.back() == '/' || at.back() == '\\')) at.pop_back();
    const size_t slash = at.find_last_of("/\\");
    if (slash == std::string::npos) at.assign(1, '.');
    else at.resize(slash == 0 ? 1 : slash);  // "/x" has the parent "/"
  }
}

bool PlatIsDirectory(const std::string& path) {
  struct stat st;
  return stat(PlatNativePath(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool PlatMakeDirectory(const std::string& path) {
  std::string p = PlatNativePath(path);
  if (mkdir(p.c_str(), 0755) == 0) return true;
  return errno == EEXIST && PlatIsDirectory(p);
}

std::string PlatResolvedPath(const std::string& path) {
  char* resolved = realpath(PlatNativePath(path).c_str(), nullptr);
  if (!resolved) return path;
  std::string out = resolved;
  std::free(resolved);
  return out;
}

bool PlatRemoveFile(const std::string& path) { return unlink(PlatNativePath(path).c_str()) == 0; }

bool PlatRenameFile(const std::string& from, const std::string& to) {
  return std::rename(PlatNativePath(from).c_str(), PlatNativePath(to).c_str()) == 0;
}

std::string PlatCurrentDirectory() {
  char buffer[4096];
  return getcwd(buffer, sizeof buffer) ? std::string(buffer) : std::string();
}

bool PlatChangeDirectory(const std::string& path) { return chdir(path.c_str()) == 0; }

void PlatSleepMs(unsigned milliseconds) {
  timespec ts{static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1000000L};
  while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
  }
}

void PlatBeep(unsigned, unsigned) {
  if (isatty(STDERR_FILENO)) {
    std::fputc('\a', stderr);
    std::fflush(stderr);
  }
}

int PlatCDDriveLetter() { return -1; }
