#include "transport/archive.h"

#include <cstring>
#include <memory>

#include "foundation/log.h"
#include "foundation/paths.h"
#include "transport/file.h"

namespace {
char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameMemberName(const char* a, const char* b) {
  for (;; ++a, ++b) {
    char x = *a == '\\' ? '/' : Lower(*a);
    char y = *b == '\\' ? '/' : Lower(*b);
    if (x != y) return false;
    if (!x) return true;
  }
}

// name with LanguageString inserted as a directory before its last
// component ("/" is looked for first, then "\").
std::string LocalizedArchiveName(const char* name) {
  const char* sep = std::strrchr(name, '/');
  if (!sep) sep = std::strrchr(name, '\\');
  size_t at = sep ? static_cast<size_t>(sep - name) + 1 : 0;
  return std::string(name, at) + LanguageString + "/" + (name + at);
}

void PutLE32(std::vector<unsigned char>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<unsigned char>(v >> (8 * i)));
}
}  // namespace

FileArchive::~FileArchive() {
  delete[] names;
  delete[] offsets;
  delete file;
}

const char* FileArchive::NameAt(int i) const {
  return i >= 0 && i < static_cast<int>(nameIndex.size()) ? nameIndex[i] : "";
}

int FileArchive::Open(const char* name) {
  file = new File;
  file->Open(name, 0);
  // Members are reached by seeking, which a compressed file cannot do.
  if (!file->stream) return 0;
  const long long fileLength = file->FileLength();
  int32_t n = file->FReadInt();
  int32_t s = file->FReadInt();
  // Tables that do not fit in the file are damage: refuse before allocating.
  const long long tablesEnd = 8 + static_cast<long long>(s) + 4LL * n;
  if (n < 0 || s < 0 || tablesEnd > fileLength) {
    Log("archive %s: tables of %d names (%d bytes) do not fit in %lld bytes", name, n, s, fileLength);
    return 0;
  }
  count = n;
  names = new char[s + 1];
  file->MustRead(names, 1, s);
  names[s] = 0;
  offsets = new int32_t[n ? n : 1];
  for (int i = 0; i < n; ++i) offsets[i] = file->FReadInt();

  for (const char* p = names; p < names + s && static_cast<int>(nameIndex.size()) < n; p += std::strlen(p) + 1) {
    nameIndex.push_back(p);
    if (std::strchr(p, '\\') || std::strchr(p, '/')) hasPaths = 1;
    if (std::strchr(p, '.')) hasExtensions = 1;
  }
  if (hasExtensions) Log("%s has extensions", name);
  else Log("no extensions in %s", name);
  if (hasPaths) Log("%s has paths", name);
  else Log("%s has no paths", name);

  // Every present entry must lie after the tables, with its length and all
  // its bytes inside the file, so that a found member can always be read.
  lengths.assign(n, -1);
  for (int i = 0; i < n; ++i) {
    int32_t offset = offsets[i];
    if (offset == -1) continue;
    if (offset < tablesEnd || offset > fileLength - 4) {
      Log("archive %s: entry %d at %d lies outside the file", name, i, offset);
      return 0;
    }
    file->Seek(offset, SEEK_SET);
    int32_t length = static_cast<int32_t>(file->FReadULONG());
    if (length < 0 || length > fileLength - offset - 4) {
      Log("archive %s: entry %d of %d bytes runs past the end", name, i, length);
      return 0;
    }
    lengths[i] = length;
  }
  return 1;
}

int32_t FileArchive::FindOffset(const char* name) {
  Log("find offset(%s)", name);
  std::string wanted = hasPaths ? name : BaseName(name);
  if (!hasExtensions) {
    size_t dot = wanted.find('.');
    if (dot != std::string::npos) wanted.resize(dot);
  }
  Log("look for name=%s", wanted.c_str());
  for (int index = 0; index < static_cast<int>(nameIndex.size()); ++index) {
    if (SameMemberName(nameIndex[index], wanted.c_str())) {
      Log("found it num: %d  index: %d", count, index);
      return offsets[index];
    }
  }
  return -1;
}

FileArchive* LoadArchiveList(const char* name) {
  // Owned here until returned, so that a fatal stop while reading the
  // tables (which unwinds) frees what was loaded.
  std::unique_ptr<FileArchive> general(new FileArchive);
  if (!general->Open(name)) general.reset();
  if (LanguageTrack) {
    std::string localized = LocalizedArchiveName(name);
    std::unique_ptr<FileArchive> language(new FileArchive);
    if (language->Open(localized.c_str())) {
      language->next = general.release();
      return language.release();
    }
  }
  return general.release();
}

void FreeArchiveList(FileArchive* chain) {
  while (chain) {
    FileArchive* next = chain->next;
    delete chain;
    chain = next;
  }
}

File* FindFileInArchive(const char* name, FileArchive* chain, int* length) {
  for (FileArchive* a = chain; a; a = a->next) {
    int32_t offset = a->FindOffset(name);
    if (offset == -1) continue;
    a->file->Seek(offset, SEEK_SET);
    int32_t stored = static_cast<int32_t>(a->file->FReadULONG());
    if (length) *length = stored;
    return a->file;
  }
  return nullptr;
}

bool BuildArchive(const std::vector<ArchiveMember>& members, std::vector<unsigned char>& out, std::string& error) {
  uint64_t nameBytes = 0;
  for (const ArchiveMember& m : members) {
    if (m.name.empty() || m.name.find('\0') != std::string::npos) {
      error = "member names must be non-empty and contain no zero byte";
      return false;
    }
    nameBytes += m.name.size() + 1;
  }
  uint64_t total = 8 + nameBytes + 4 * static_cast<uint64_t>(members.size());
  uint64_t entriesStart = total;
  for (const ArchiveMember& m : members)
    if (m.present) total += 4 + m.data.size();
  if (total > 0x7FFFFFFF) {
    error = "archive would exceed 2 GB";
    return false;
  }
  out.clear();
  out.reserve(total);
  PutLE32(out, static_cast<uint32_t>(members.size()));
  PutLE32(out, static_cast<uint32_t>(nameBytes));
  for (const ArchiveMember& m : members) out.insert(out.end(), m.name.c_str(), m.name.c_str() + m.name.size() + 1);
  uint64_t at = entriesStart;
  for (const ArchiveMember& m : members) {
    PutLE32(out, m.present ? static_cast<uint32_t>(at) : 0xFFFFFFFFu);
    if (m.present) at += 4 + m.data.size();
  }
  for (const ArchiveMember& m : members) {
    if (!m.present) continue;
    PutLE32(out, static_cast<uint32_t>(m.data.size()));
    out.insert(out.end(), m.data.begin(), m.data.end());
  }
  return true;
}
