// The list reader on arbitrary files: the input is written to a list file and
// read with ReadFileList (kind filter, drop and read-all chosen by the first
// byte), twice, and the two lists are merged. Entries must stay within their
// fields, unsafe names must never be admitted, and everything is freed.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "foundation/intrusive_list.h"
#include "fuzz_runtime.h"
#include "update/file_list.h"
#include "update/file_list_parser.h"

namespace {
std::string Dir() {
  static std::string dir = [] {
    char pattern[] = "/tmp/fuzz-file-list-XXXXXX";
    if (!mkdtemp(pattern)) abort();
    return std::string(pattern) + "/";
  }();
  return dir;
}

void Check(const ZindleFileListEntry* list) {
  for (const ZindleFileListEntry* e = list; e; e = e->next) {
    if (strnlen(e->name, kListNameSize) >= static_cast<size_t>(kListNameSize)) abort();
    if (!IsSafeListName(e->name)) abort();
    const unsigned char f = e->flags;
    if (f != FileRequired && f != FileListedOnly && f != FileOnDemand && f != FileCreateOnce &&
        f != FileUpdateIfPresent)
      abort();
  }
}
}  // namespace

QUORVEL_FUZZ_STARTUP

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const std::string dir = Dir();
  FILE* f = std::fopen((dir + "fuzz.lst").c_str(), "wb");
  if (!f) abort();
  std::fwrite(data + 1, 1, size - 1, f);
  std::fclose(f);

  const unsigned char mode = data[0];
  const unsigned char filter = (mode & 1) ? FileCreateOnce : 0x25;
  PatchesEnabled = (mode >> 3) & 1;
  ZindleFileListEntry* master = nullptr;
  ZindleFileListEntry* updated = nullptr;
  ReadFileList("fuzz.lst", filter, &master, dir.c_str(), (mode >> 1) & 1, (mode >> 2) & 1);
  ReadFileList("fuzz.lst", 0x25, &updated, dir.c_str(), 0, 1);
  Check(master);
  Check(updated);
  for (const ZindlePatchEntry* p = PatchList; p; p = p->next)
    if (p->resultSize < 0 || !IsSafeListName(p->patchName) || !IsSafeListName(p->targetName)) abort();
  const int before = ListLength(master);
  IntegrateFilesLists(master, updated);
  if (ListLength(master) < before || ListLength(master) > before + ListLength(updated)) abort();
  WipeList(master);
  WipeList(updated);
  WipeList(PatchList);
  return 0;
}
