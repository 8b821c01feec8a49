// File lists as the operators' commands read and write them: whole list
// files checked line by line against the launcher's reader, and the lines
// that publish writes.
//
// Names are kept with "/" separators in memory and written with "\" (the
// form every client reads). A list line holds at most 255 characters before
// its line feed: the launcher reads lines into 256 bytes.
#pragma once

#include <string>
#include <vector>

constexpr size_t kMaxListLine = 255;

struct ReleaseFile {
  char kind = 'R';           // R O D C U
  unsigned char digest[16];  // MD5 of the contents
  std::string name;          // relative, "/" separators
};

struct ReleasePatch {
  unsigned char resultDigest[16];
  unsigned char sourceDigest[16];
  long long resultSize = 0;
  std::string patchName;   // "/" separators
  std::string targetName;  // "/" separators
};

struct ReleaseListContents {
  std::vector<ReleaseFile> files;  // in file order
  std::vector<ReleasePatch> patches;
};

// Reads a list file and checks every line as the launcher's reader would take
// it. Each line the reader would skip, cut, stop at or refuse (malformed,
// unsafe name, over-long, a zero byte, a line that is no entry) gives one
// problem "LIST line N: why". False with a problem when the file cannot be
// read at all.
bool ReadReleaseList(const std::string& path, const std::string& shownName, ReleaseListContents* out,
                     std::vector<std::string>* problems);

// Why a relative name ("/" separators) cannot be carried by a list entry, or
// "" when it can: empty, too long for a line, control characters, "\", a
// leading space, a leading separator, a drive letter or a ".." component.
std::string ListNameProblem(const std::string& name);

// The longest name a Windows player can install: a path holds at most 259
// characters, the installation directory takes up to 80 of them (its final
// separator included), and a download adds up to 14 for its ".tmpNNNNNNNNNN".
constexpr size_t kMaxWindowsName = 259 - 80 - 14;

// Why a name that a list can carry ("/" separators) still cannot be a file
// on Windows, or "" when it can: one of < > : " | ? * or a control byte, a
// device name (CON, PRN, AUX, NUL, COM1-9, LPT1-9, with any extension, in
// any case), a component ending in a dot or a space, or longer than
// kMaxWindowsName.
std::string WindowsNameProblem(const std::string& name);

// The list lines, with their line feed.
std::string FormatFileLine(const ReleaseFile& file);
std::string FormatPatchLine(const ReleasePatch& patch);

std::string DigestHex(const unsigned char digest[16]);
