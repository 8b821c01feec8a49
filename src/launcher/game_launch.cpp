#include "launcher/game_launch.h"

#include <cctype>
#include <cstring>

#include "foundation/fail.h"
#include "foundation/log.h"
#include "foundation/program_clock.h"
#include "foundation/random.h"
#include "foundation/ui_trace.h"
#include "launcher/launcher_globals.h"
#include "launcher/registry_info.h"
#include "platform/directory_maintenance.h"
#include "platform/file_mode.h"
#include "platform/filesystem.h"
#include "platform/shell.h"
#include "transport/file.h"

namespace {

constexpr unsigned kCopyBlockSize = 4096;

bool SameIgnoringCase(const char* a, const char* b) {
  for (; *a && *b; ++a, ++b)
    if (std::tolower(static_cast<unsigned char>(*a)) != std::tolower(static_cast<unsigned char>(*b))) return false;
  return *a == *b;
}

bool EndsWithExe(const char* path) {
  const size_t n = std::strlen(path);
  return n >= 4 && SameIgnoringCase(path + n - 4, ".exe");
}

}  // namespace

int CopyFileA(const char* source, const char* destination) {
  if (!source || !destination || std::strcmp(source, destination) == 0) return 0;
  File in;
  if (!in.Open(source, 0)) return 0;
  OutputFile out;
  if (!out.Open(destination, 0)) return 0;
  char block[kCopyBlockSize];
  long long copied = 0;
  bool complete = true;
  for (;;) {
    const unsigned got = in.Read(block, 1, kCopyBlockSize);
    if (got == 0) break;
    if (out.Write(block, 1, got) != got) {
      complete = false;
      break;
    }
    copied += got;
  }
  in.Close();
  if (!out.Close()) complete = false;
  if (!complete || copied == 0) {
    PlatRemoveFile(destination);
    return 0;
  }
  if (EndsWithExe(destination)) PlatMakeExecutable(destination);
  return 1;
}

std::string CopiedQuorvelExeName(const char* directory, unsigned long number) {
  return std::string(directory ? directory : "") + "quorvel1" + std::to_string(number) + "1.exe";
}

void DeleteCopiedQuorvelExes() {
  StrNode* names = FindMatchingFileNames("quorvel1*.exe", 0);
  for (StrNode* n = names; n; n = n->next)
    if (!SameIgnoringCase(n->name, "quorvel1.exe")) PlatRemoveFile(n->name);
  FreeStrNodeList(names);
}

int ExecuteProgram(const char* path) {
  return ShellExecuteA(nullptr, "open", path, nullptr, nullptr, SW_SHOWNORMAL) > 32 ? 1 : 0;
}

std::string ShownURLAddress(const char* address, const std::string& cwd) {
  std::string url(address ? address : "");
  if (url.size() > 1023) url.resize(1023);
  // Only an address that starts with "file:" is a file, and one whose path
  // already starts at a root ("file:/", "file://", "file:c:") stays as it is.
  if (url.rfind("file:", 0) == 0 && url.size() > 5 && url[5] != '/' && url[5] != '\\' &&
      !(url.size() >= 7 && (url[6] == '\\' || url[6] == '/' || url[6] == ':'))) {
    url = cwd + "/" + url.substr(5);
  }
  for (char& c : url)
    if (c == '\\') c = '/';
  return url;
}

void ShowURL(const char* address) {
  const std::string url = ShownURLAddress(address, PlatWorkingDirectory());
  const intptr_t result = ShellExecuteA(nullptr, "open", url.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  if (result <= 32)
    Log("Error opening page %d %x %s!!!", static_cast<int>(result), static_cast<int>(result), url.c_str());
}

void RunQuorvel() {
  if (DoNotLaunchQuorvel) return;
  const char* directory = RegInfo->Directory;
  PlatEnterDirectory(directory);
  const std::string source = std::string(directory) + "quorvel1.exe";
  const std::string destination = CopiedQuorvelExeName(directory, RangeRand(static_cast<uint32_t>(GetTimerCount())));
  if (!CopyFileA(source.c_str(), destination.c_str()))
    Fail("Copy of quorvel1.exe to temp executing file failed, please ensure you are not running low on disk space.");
  TraceLaunch(destination.c_str());
  if (!ExecuteProgram(destination.c_str())) Fail("Launch quorvel1.exe failed");
}
