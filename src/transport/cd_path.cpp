// The CD path: a second place where read-only data files are looked for. It
// comes from the environment variable "FAKECD" or the first line of
// "fakecd.txt" and always ends in the program's data directory.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "foundation/log.h"
#include "platform/filesystem.h"
#include "transport/file.h"

char TheCDPath[1024] = {'\xff'};

namespace {
bool g_alreadyLookedAtPath = false;
std::string g_cdPathBuffer;

// A prefix gets a separator unless it already ends in one or in a drive colon.
void AppendSeparator(std::string& prefix) {
  char last = prefix.back();
  if (last != '/' && last != '\\' && last != ':') prefix += kPathSeparator;
}

bool LookedUp() { return static_cast<unsigned char>(TheCDPath[0]) != 0xFF; }

void StoreCDPath(const char* path) {
  size_t length = path ? std::strlen(path) : 0;
  if (length >= sizeof TheCDPath) {
    Log("CD path too long, ignored: %s", path);
    length = 0;
  }
  if (length) std::memcpy(TheCDPath, path, length);
  TheCDPath[length] = 0;
}
}  // namespace

const char* GetCDPath(const char* directory) {
  if (g_alreadyLookedAtPath) return g_cdPathBuffer.c_str();
  g_alreadyLookedAtPath = true;
  std::string prefix;
  const char* fake = std::getenv("FAKECD");
  // An empty value would make the prefix a bare separator, the root of the
  // file system; it counts as not set.
  if (fake && *fake) {
    prefix = fake;
    AppendSeparator(prefix);
    Log("fakecd env path=%s", prefix.c_str());
  } else if (FILE* f = std::fopen("fakecd.txt", "r")) {
    char line[80];
    if (std::fgets(line, sizeof line, f)) {
      line[std::strcspn(line, "\r\n")] = 0;
      if (*line) {
        prefix = line;
        AppendSeparator(prefix);
        Log("fakecd.txt path=%s", prefix.c_str());
      }
    }
    std::fclose(f);
  }
  prefix += directory ? directory : ProgramDataDir;
  g_cdPathBuffer = prefix;
  Log("gtecdpath ret = %s", g_cdPathBuffer.c_str());
  return g_cdPathBuffer.c_str();
}

void InitFileIO(const char* directory) {
  if (!LookedUp()) StoreCDPath(GetCDPath(directory));
}

const char* CurrentCDPath() {
  if (!LookedUp()) {
    std::string dir;
    if (*ProgramDataDir) dir = std::string(ProgramDataDir) + kPathSeparator;
    StoreCDPath(GetCDPath(dir.c_str()));
  }
  return TheCDPath;
}

int GetCDDriveLetter() { return PlatCDDriveLetter(); }

void ResetCDPathForTests() {
  g_alreadyLookedAtPath = false;
  g_cdPathBuffer.clear();
  TheCDPath[0] = '\xff';
  TheCDPath[1] = 0;
}
