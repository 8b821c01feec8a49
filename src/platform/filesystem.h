// Files and directories as the core needs them: the path separator, directory
// listing, existence tests, making and removing directories, renaming, and
// short sleeps. Errors are return values; nothing here ends the program.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

// The separator of local paths. Input paths may use either "/" or "\".
#ifdef _WIN32
constexpr char kPathSeparator = '\\';
#else
constexpr char kPathSeparator = '/';
#endif

// Turns every "/" and "\" of path into kPathSeparator.
std::string PlatNativePath(const std::string& path);

// The names in a directory ("" means the current one), without "." and "..",
// in no particular order. False when the directory cannot be read.
bool PlatListDirectory(const std::string& directory, std::vector<std::string>& names);

bool PlatFileExists(const std::string& path);  // any kind of entry
bool PlatIsDirectory(const std::string& path);
// The absolute form of an existing path, links and "." / ".." resolved;
// the path unchanged when it cannot be resolved.
std::string PlatResolvedPath(const std::string& path);
bool PlatMakeDirectory(const std::string& path);  // true also when it exists already
// Bytes an unprivileged writer may still put on the file system holding
// path, or on that of its nearest existing parent when path is not there
// yet; -1 when it cannot be told.
long long PlatFreeDiskBytes(const std::string& path);
bool PlatRemoveFile(const std::string& path);
// Seek and tell on a stdio stream with 64-bit offsets, whatever the size of
// long: fseek's result, and the position or -1.
int PlatSeekStream(std::FILE* stream, long long offset, int whence);
long long PlatTellStream(std::FILE* stream);
bool PlatRenameFile(const std::string& from, const std::string& to);

// The process's working directory ("" when it cannot be read), and a change
// of it (false when the directory cannot be entered).
std::string PlatCurrentDirectory();
bool PlatChangeDirectory(const std::string& path);

// Blocks the calling thread for the given number of milliseconds.
void PlatSleepMs(unsigned milliseconds);
// An audible signal of about the given pitch and length where the platform
// has one; on POSIX a terminal bell when standard error is a terminal.
void PlatBeep(unsigned frequencyHz, unsigned milliseconds);
// The index (0 for A) of the first CD-ROM drive letter, or -1 (always on
// platforms without drive letters).
int PlatCDDriveLetter();
