// The uninstaller's work on files: reading the installed lists and deleting
// the game's files, keeping the player's own.
#pragma once

#include <functional>
#include <string>

struct ZindleFileListEntry;

// Reads directory + "master.lst" and then directory + "updated.lst" (merged)
// into InstallFileList, emptied first. False when "master.lst" is missing
// (nothing is read then).
bool ReadInstalledLists(const char* directory, unsigned char ignoreQuorvelFiles);

// True for the player's own files, which are never deleted: names that
// contain "decks" (letter case aside).
bool IsPlayerFile(const char* name);

struct UninstallHooks {
  std::function<bool()> held;       // the cancel question is up: wait
  std::function<bool()> cancelled;  // the player confirmed the cancel: stop before the next entry
  std::function<void(bool force)> pump;
  std::function<void(const char* path)> finishedFile;
};

// Deletes directory + name for every entry from first on, except the
// player's files, and then each folder the deletion emptied, up to and
// including directory itself. False when it was cancelled before the end.
bool DeleteInstalledFiles(ZindleFileListEntry* first, const char* directory, const UninstallHooks& hooks);
