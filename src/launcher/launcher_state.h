// The launcher flow's states, kept in the main window's State byte. The loop
// does the work of the current state once per turn; buttons and download
// reports move it from state to state. The numbers are what is stored.
#pragma once

#include <cstdint>

enum LauncherState : uint8_t {
  // Show the menu screen; then idle, or fetch the terms with "-a".
  StateShowMenu = 1,
  // Waiting for the player or for a report.
  StateIdle = 2,
  // Prepare the file-copy screen.
  StateStartCopy = 3,
  // Install the package's files.
  StateCopyFiles = 4,
  // Fetch the Terms of Service into the installation directory.
  StateFetchTerms = 5,
  // Wait for verification and downloads.
  StateUpdating = 6,
  // Registry, shortcuts and uninstall entry.
  StateFinishInstall = 7,
  // The lists for a first installation are being fetched.
  StateWaitInstallLists = 8,
  // Read the package list and fetch the master list.
  StateBeginInstall = 9,
  // Drive the downloads of a first installation.
  StateInstallDownloads = 10,
  // Launch the game and end.
  StateLaunch = 11,
  // Read the installed lists.
  StateBeginUninstall = 12,
  // Delete the files, shortcuts and keys.
  StateUninstalling = 13,
  // 14 and 15 are never set and are treated as idle.
  StateUnused14 = 14,
  StateUnused15 = 15,
  // Fetch the master list for an update.
  StateBeginUpdate = 16,
  // The Terms of Service for a first installation are being fetched.
  StateWaitTermsForInstall = 17,
};

inline constexpr LauncherState kLauncherStates[] = {
    StateShowMenu,
    StateIdle,
    StateStartCopy,
    StateCopyFiles,
    StateFetchTerms,
    StateUpdating,
    StateFinishInstall,
    StateWaitInstallLists,
    StateBeginInstall,
    StateInstallDownloads,
    StateLaunch,
    StateBeginUninstall,
    StateUninstalling,
    StateUnused14,
    StateUnused15,
    StateBeginUpdate,
    StateWaitTermsForInstall,
};
