// Where the user's folders are: the freedesktop base directories on POSIX,
// the shell folders on Windows. Paths have no trailing separator.
#pragma once

#include <string>
#include <string_view>

enum class KnownFolder {
  kProgramFiles,  // where programs are installed: $XDG_DATA_HOME (default ~/.local/share)
  kStartMenu,     // the applications menu: $XDG_DATA_HOME/applications
  kDesktop,       // XDG_DESKTOP_DIR of user-dirs.dirs, else ~/Desktop
  kConfig,        // $XDG_CONFIG_HOME (default ~/.config)
  kRuntime,       // $XDG_RUNTIME_DIR, else the temporary folder
  kTemporary,     // $TMPDIR, $TEMP, $TMP, else /tmp
};

// The folder's path; "" only when even the home folder is unknown.
std::string KnownFolderPath(KnownFolder folder);

// The user's home folder ($HOME, else the password database).
std::string HomeFolder();

// The value of one entry of a user-dirs.dirs file (lines NAME="$HOME/sub" or
// NAME="/absolute"), with $HOME replaced by home; "" when the entry is
// missing or is neither form. Only the last assignment of the name counts.
std::string ParseUserDirsEntry(std::string_view text, std::string_view name, std::string_view home);
