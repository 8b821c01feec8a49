// The records of the server's file lists: one file, one patch.
#pragma once

// Kind bits; each file entry carries exactly one. No letter gives 0x08.
enum : unsigned char {
  FileRequired = 0x01,         // R: installed, verified on every check, fetched when missing or different
  FileListedOnly = 0x02,       // O: kept in lists only
  FileOnDemand = 0x04,         // D: never fetched; a different existing copy is deleted
  FileCreateOnce = 0x10,       // C: installed when missing, never verified
  FileUpdateIfPresent = 0x20,  // U: a different existing copy is fetched again; a missing one stays missing
};

// Size of the name fields, terminator included.
constexpr int kListNameSize = 260;
// The largest result size a patch line may give (2^60 bytes): far beyond any
// file, and with room in 64 bits for the decoder's slack.
constexpr long long kMaxPatchResultSize = 1LL << 60;

// One file of a list: a heap node (new), owned by the one list it is in.
// name is relative to the installation directory and uses the platform's
// path separator.
struct ZindleFileListEntry {
  ZindleFileListEntry* next;
  unsigned char flags;
  unsigned char digest[16];  // MD5 of the correct contents
  char name[kListNameSize];
};

// One binary patch: turns the file targetName whose digest is sourceDigest
// into resultSize bytes with digest resultDigest.
struct ZindlePatchEntry {
  ZindlePatchEntry* next;
  unsigned char resultDigest[16];
  unsigned char sourceDigest[16];
  long long resultSize;  // never negative, at most kMaxPatchResultSize
  char patchName[kListNameSize];
  char targetName[kListNameSize];
};
