// Resource archives (".pig"): many small files packed into one, found by
// name and read through the archive's own File.
//
// Layout, integers 32-bit little-endian: member count N, name-block size S,
// the name block (N zero-terminated names), N entry offsets (-1: member not
// present), and at each offset a 4-byte length L followed by L bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class File;

class FileArchive {
 public:
  FileArchive() = default;
  ~FileArchive();  // frees the tables and closes the file; not the chain
  FileArchive(const FileArchive&) = delete;
  FileArchive& operator=(const FileArchive&) = delete;

  // Loads the tables of one archive (opened without a language variant).
  // Returns 1, or 0 when the file is absent, compressed, or its tables are
  // inconsistent with its size (the archive is then unusable).
  int Open(const char* name);
  // The entry offset of the member, or -1. The name is matched without
  // regard to the case of a..z, "\" and "/" being equal; when no stored name
  // has a directory, only the requested base name counts, and when none has
  // an extension, the requested name is cut at its first ".".
  int32_t FindOffset(const char* name);

  FileArchive* next = nullptr;  // the next archive of the chain
  int32_t count = 0;            // member count
  char* names = nullptr;        // name block plus one extra zero byte
  int32_t* offsets = nullptr;   // count entries
  File* file = nullptr;         // the open archive
  unsigned char hasExtensions = 0;
  unsigned char hasPaths = 0;

  // Member i's name and stored length (-1 when absent), for listings.
  const char* NameAt(int i) const;
  int32_t LengthAt(int i) const { return lengths[i]; }

 private:
  std::vector<const char*> nameIndex;  // start of each member's name
  std::vector<int32_t> lengths;
};

// The archive chain for name: with a language active (LanguageTrack), the
// language archive (LanguageString inserted before the last path component)
// comes first when it loads, followed by the general one. Null when neither
// loads.
FileArchive* LoadArchiveList(const char* name);
void FreeArchiveList(FileArchive* chain);

// Searches the chain in order. On the first archive that holds the member
// (offset not -1) it positions that archive's File at the member's first
// byte, stores the member's length through length (when not null) and
// returns the File, which stays owned by the archive. Null when no archive
// holds it.
File* FindFileInArchive(const char* name, FileArchive* chain, int* length);

// One member for the writer; present false writes the offset -1.
struct ArchiveMember {
  std::string name;
  std::vector<unsigned char> data;
  bool present = true;
};
// The archive bytes for members, in the order given. Returns false (with a
// reason) for an empty name, a name with a zero byte, or sizes that do not
// fit the 32-bit fields.
bool BuildArchive(const std::vector<ArchiveMember>& members, std::vector<unsigned char>& out, std::string& error);
