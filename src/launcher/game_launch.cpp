#include "launcher/game_launch.h"

#include <cctype>
#include <cstring>

#include "platform/file_mode.h"
#include "platform/filesystem.h"
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
