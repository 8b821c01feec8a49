#include "update/file_list.h"

#include <cstdint>
#include <cstring>
#include <string>

#include "foundation/association_list.h"
#include "platform/filesystem.h"
#include "transport/file.h"
#include "update/file_list_parser.h"

namespace {
constexpr int kLineBuffer = 256;
}  // namespace

void ReadFileList(const char* listName, unsigned char kindFilter, ZindleFileListEntry** list, const char* dir,
                  unsigned char dropExistingCreateOnce, unsigned char readAll) {
  const std::string prefix = dir ? dir : "";
  RequiredFile file((prefix + listName).c_str());
  char line[kLineBuffer];
  while (file.FGets(line, kLineBuffer)) {
    const size_t length = std::strlen(line);
    if (length == 0) break;
    if (length == kLineBuffer - 1 && line[length - 1] != '\n' && !file.atEnd) {
      // The buffer is full: the line is whole only if its end comes next.
      // A longer line is skipped to its end, so that its tail cannot pass for
      // a line of its own and its head for an entry with a cut name.
      int c;
      do c = file.GetC();
      while (c == '\r');
      if (c <= 0) {
        file.atEnd = 1;  // it was the last line; a zero byte ends the file as in FGets
      } else if (c != '\n') {
        while (c > 0 && c != '\n') c = file.GetC();
        if (c <= 0) file.atEnd = 1;
        continue;
      }
    }
    if (line[0] == 'p') {
      if (!PatchesEnabled) continue;
      if (ZindlePatchEntry* patch = ParsePatchLine(line)) {
        patch->next = PatchList;
        PatchList = patch;
      }
      continue;
    }
    if (!readAll && kindFilter == FileCreateOnce && line[0] != 'C' && line[0] != 'D') continue;
    ZindleFileListEntry* entry = ParseFileListLine(line);
    if (!entry) continue;
    if (!readAll && dropExistingCreateOnce && entry->flags == FileCreateOnce && PlatFileExists(prefix + entry->name)) {
      delete entry;
      continue;
    }
    entry->next = *list;
    *list = entry;
  }
}

namespace {

// Long lists: the doubling hash keeps little more than the last characters
// of a name, so numbered names (file000001 ... file120000) fall into a few
// thousand values; FNV-1a spreads them. Which hash and how many buckets
// never changes what a lookup finds (equal names share a bucket, newest
// first), only how long the chains are.
struct SpreadNameTraits {
  static uint32_t Hash(const char* key) {
    uint32_t h = 2166136261u;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(key); *p; ++p) h = (h ^ *p) * 16777619u;
    return h;
  }
  static bool Equal(const char* a, const char* b) { return std::strcmp(a, b) == 0; }
};

unsigned PrimeAtLeast(unsigned n) {
  for (n |= 1;; n += 2) {
    bool prime = true;
    for (unsigned d = 3; d * d <= n && prime; d += 2) prime = n % d != 0;
    if (prime) return n;
  }
}

template <class Map>
void Merge(Map& map, ZindleFileListEntry*& master, const ZindleFileListEntry* updated) {
  for (ZindleFileListEntry* m = master; m; m = m->next) map.Add(m->name, m);
  for (const ZindleFileListEntry* u = updated; u; u = u->next) {
    ZindleFileListEntry* m = map.Lookup(u->name);
    if (!m) {
      m = new ZindleFileListEntry(*u);
      m->next = master;
      master = m;
      map.Add(m->name, m);
    }
    m->flags = u->flags;
    std::memcpy(m->digest, u->digest, sizeof m->digest);
  }
}

}  // namespace

void IntegrateFilesLists(ZindleFileListEntry*& master, ZindleFileListEntry* updated) {
  // Up to a few hundred names: the 43-bucket map with the doubling hash.
  // Beyond that, a bucket per name so the merge stays linear.
  constexpr int kSmallList = 43 * 8;
  int names = 0;
  for (const ZindleFileListEntry* e = master; e && names <= kSmallList; e = e->next) ++names;
  for (const ZindleFileListEntry* e = updated; e && names <= kSmallList; e = e->next) ++names;
  if (names <= kSmallList) {
    AssociationList<const char*, ZindleFileListEntry*, 43> map(nullptr);
    Merge(map, master, updated);
    return;
  }
  unsigned count = 0;
  for (const ZindleFileListEntry* e = master; e; e = e->next) ++count;
  for (const ZindleFileListEntry* e = updated; e; e = e->next) ++count;
  AssociationList<const char*, ZindleFileListEntry*, 43, SpreadNameTraits> map(nullptr, PrimeAtLeast(count));
  Merge(map, master, updated);
}

ZindlePatchEntry* GetMatchingPatch(const unsigned char digest[16]) {
  for (ZindlePatchEntry* p = PatchList; p; p = p->next)
    if (std::memcmp(p->sourceDigest, digest, 16) == 0) return p;
  return nullptr;
}
