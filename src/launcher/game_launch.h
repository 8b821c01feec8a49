// Starting the game: the installed "quorvel1.exe" is copied to a fresh,
// randomly numbered name and the copy is started, so the installed file stays
// free for the next update while the game runs. Stale copies are deleted at
// the next start.
#pragma once

#include <string>

// The launcher's own two-argument copy, in 4096-byte blocks through the file
// layer. 0 when both paths are the same text, the source cannot be opened,
// the destination cannot be created, a write is short or the data does not
// reach the disk, or the source is empty (a destination left by a failure is
// deleted); 1 when at least one byte was copied completely. A ".exe"
// destination is made executable.
int CopyFileA(const char* source, const char* destination);

// directory + "quorvel1" + number + "1.exe".
std::string CopiedQuorvelExeName(const char* directory, unsigned long number);

// Deletes every file of the working directory matching "quorvel1*.exe"
// except "quorvel1.exe" itself in any letter case. A copy still running may
// refuse; it stays for a later start.
void DeleteCopiedQuorvelExes();

// Starts path with the shell's "open"; 1 when the shell reports success.
int ExecuteProgram(const char* path);
// Opens a web page or document (a relative "file:" address is made absolute
// from the working directory); a failure is only logged.
void ShowURL(const char* address);
// The address ShowURL hands to the shell: "\" becomes "/", and a relative
// "file:" address gets the working directory cwd in front.
std::string ShownURLAddress(const char* address, const std::string& cwd);

// The launch: unless DoNotLaunchQuorvel, enters the installation directory,
// copies "quorvel1.exe" to CopiedQuorvelExeName (directory, RangeRand (timer
// count)) and starts the copy; a failure of either ends the program with
// its message. Returns when the game was started (or not to be started).
void RunQuorvel();
