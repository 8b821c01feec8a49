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
