// File access: every data file the program reads or writes goes through
// File. It adds to a stdio stream a search order (the name as given, then the
// CD path), an optional language-specific variant of each file, transparent
// reading of compressed files, and a fixed I/O error policy: a read error
// ends the program with a message that asks for the proper CD.
//
// Names may use "/" or "\" as separators; they are turned into the
// platform's separator when opened. Single-threaded: the CD path and the
// pushed-back integer are process-wide and unguarded.
#pragma once

#include <cstdio>
#include <vector>

class CompressedFileHandle;

#include "foundation/program_globals.h"  // ApplicationName, LanguageString, LanguageTrack

// The program's data directory; the CD path ends in it. Empty by default.
extern char ProgramDataDir[260];
// The CD prefix: first byte 0xFF until it has been looked up; "" means none.
extern char TheCDPath[1024];
// When set, every open logs "Forbidden File I/O %s!" and beeps, then goes on.
extern unsigned char FileIO_Forbidden;
// When set, every open is logged.
extern unsigned char LogFileLoads;

enum ErrorHandlerReturn { ERROR_GIVE_UP = 0, ERROR_RETRY = 1 };

// The write policy's hooks. CriticalHappened is set by the write path when the
// device reported a hardware-level failure (EIO) during a write; the write is
// then repeated while ErrorHandling (errno) answers non-zero. Without a
// handler such a failure ends the program.
extern unsigned char CriticalHappened;
extern int (*ErrorHandling)(int code);

class File {
 public:
  File();
  // Constructs and opens name with localisation on.
  explicit File(const char* name);
  // Opens directory + "/" + name, turned to lower case, with localisation on.
  File(const char* directory, const char* name);
  virtual ~File();  // closes
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  // The stdio mode, optionally preceded by one prefix letter: M (required:
  // not found anywhere ends the program), N (never look on the CD path), C
  // (look only on the CD path), Z (must be a compressed file).
  virtual const char* ModeString();
  // Opens name (closing what was open). With localize set and a language
  // active, the language variant dir/L/file is preferred when it exists.
  // Returns 1 when open (plain or compressed), else 0; a required file that
  // is found nowhere ends the program.
  virtual int Open(const char* name, unsigned char localize = 1);
  // Safe on a closed file. False when the stream could not be closed
  // cleanly: for a written file, data that never reached the disk.
  bool Close();
  bool IsOpen() const { return stream || compressed; }

  // Whole records read. A read error ends the program.
  unsigned Read(void* buffer, unsigned recordSize, unsigned recordCount);
  // Read, but a short count ends the program.
  unsigned MustRead(void* buffer, unsigned recordSize, unsigned recordCount);
  // The next byte (0..255) or -1 at the end.
  int GetC();
  // Reads a line of at most n-1 bytes into buffer: CR is dropped, LF is kept
  // and ends the line, end of file or a zero byte ends it and sets the
  // at-end flag. Returns null only when the flag was already set, otherwise
  // buffer (terminated, possibly empty).
  char* FGets(char* buffer, int n);
  // Clears the at-end flag and seeks; the stream library's result. Seeking a
  // compressed file ends the program.
  int Seek(long long offset, int whence);
  // Plain: the file's length; compressed: the uncompressed size; -1 closed.
  long long FileLength();
  // Records written. Writing a compressed file ends the program.
  unsigned Write(const void* buffer, unsigned recordSize, unsigned recordCount);

  // 4-byte little-endian values. FReadInt returns the pushed-back value first
  // when there is one; short reads end the program with the MustRead text.
  int FReadInt();
  static void PushBackInt(int value) { PushedBackInt = value; }
  unsigned long FReadULONG();
  float FReadFloat();
  void FWriteInt(int value);
  void FWriteULONG(unsigned long value);
  void FWriteFloat(float value);

  // One pushed-back integer shared by all files; -1 means none.
  static int PushedBackInt;

  FILE* stream = nullptr;                      // the plain stream, or null
  unsigned char atEnd = 0;                     // set by FGets at end of file
  CompressedFileHandle* compressed = nullptr;  // set instead of stream for compressed files

 protected:
  void OpenInDirectory(const char* directory, const char* name);

 private:
  int OpenUnlocalized(const char* name);
};

class OutputFile : public File {
 public:
  OutputFile() = default;
  explicit OutputFile(const char* name) { Open(name, 1); }
  OutputFile(const char* directory, const char* name) { OpenInDirectory(directory, name); }
  const char* ModeString() override { return "wb"; }
};

class AppendFile : public File {
 public:
  AppendFile() = default;
  explicit AppendFile(const char* name) { Open(name, 1); }
  AppendFile(const char* directory, const char* name) { OpenInDirectory(directory, name); }
  const char* ModeString() override { return "ab"; }
};

class TextFile : public File {
 public:
  TextFile() = default;
  explicit TextFile(const char* name) { Open(name, 1); }
  TextFile(const char* directory, const char* name) { OpenInDirectory(directory, name); }
  const char* ModeString() override { return "r"; }
};

class RequiredTextFile : public File {
 public:
  RequiredTextFile() = default;
  explicit RequiredTextFile(const char* name) { Open(name, 1); }
  RequiredTextFile(const char* directory, const char* name) { OpenInDirectory(directory, name); }
  const char* ModeString() override { return "Mr"; }
};

class RequiredFile : public File {
 public:
  RequiredFile() = default;
  explicit RequiredFile(const char* name) { Open(name, 1); }
  RequiredFile(const char* directory, const char* name) { OpenInDirectory(directory, name); }
  const char* ModeString() override { return "Mrb"; }
};

// Logs the error and answers; this program always gives up, so every read
// error becomes fatal. name may be null.
ErrorHandlerReturn HandleFileReadError(const char* name, int code);

// stdio-shaped forwarders. FOPEN opens an OutputFile when mode contains "w",
// otherwise a File (localisation on), and returns null when nothing opened;
// FCLOSE closes and deletes.
File* FOPEN(const char* name, const char* mode);
size_t FREAD(void* buffer, size_t size, size_t count, File* file);
size_t FWRITE(const void* buffer, size_t size, size_t count, File* file);
char* FGETS(char* buffer, int n, File* file);
int FSEEK(File* file, long long offset, int whence);
void FCLOSE(File* file);

// The whole contents of a file read through File (a compressed file gives its
// contents). False when it does not open.
bool ReadWholeFile(const char* name, std::vector<unsigned char>& contents);
// Creates or truncates name (no language variant) and writes size bytes.
// False when it cannot be opened or not everything was written.
bool WriteWholeFile(const char* name, const void* data, size_t size);

// The CD path: computed once. "FAKECD" from the environment, else the first
// line of "fakecd.txt" in the current directory, gets a separator appended
// unless it ends in "/", "\" or ":", and then directory (ProgramDataDir when
// null) is appended. Without either the result is directory alone.
const char* GetCDPath(const char* directory);
// Looks up TheCDPath with GetCDPath (directory) unless already done.
void InitFileIO(const char* directory);
// Index of the first CD-ROM drive (0 for A), or -1.
int GetCDDriveLetter();
// Forgets the CD path so that the next open looks it up again (tests).
void ResetCDPathForTests();

// The CD path, looked up on first use as Open does it.
const char* CurrentCDPath();

// A singly linked list node owning one name.
struct StrNode {
  StrNode* next;
  char* name;
};
void FreeStrNodeList(StrNode* list);

// The file names (without directory) that match a wildcard pattern ("*" any
// run, "?" one character, letters without regard to case): those next to the
// pattern as given, then those under the CD path, sorted by name, each name
// once. With mustExist set, a CD directory that cannot be scanned ends the
// program.
StrNode* FindMatchingFileNames(const char* pattern, unsigned char mustExist);
// True when name matches the wildcard pattern as above.
bool WildcardMatch(const char* pattern, const char* name);
