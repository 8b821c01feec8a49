// The shell: starting programs, opening documents and web addresses, and
// shell links.
//
// On POSIX a program is started directly with posix_spawn in a session of
// its own (so the caller may end without waiting for it); documents, folders
// and web addresses go to xdg-open. Shell links are freedesktop desktop
// entries: an executable target gives Type=Application with a quoted Exec
// line, a document gives Type=Link with a file:// URL.
#pragma once

#include <cstdint>
#include <string>

#include "platform/window.h"

// ShellExecuteA's failure codes; any result above 32 is success.
constexpr intptr_t SE_ERR_FNF = 2;
constexpr intptr_t SE_ERR_ACCESSDENIED = 5;
constexpr intptr_t SE_ERR_OOM = 8;
constexpr intptr_t SE_ERR_NOASSOC = 31;
constexpr intptr_t kShellExecuteBadFormat = 11;  // ERROR_BAD_FORMAT: not a program this system can run

// Only the "open" operation (or none) is known. file is a program, a
// document, a folder or an address with a scheme ("http://..."); parameters
// are the program's command line (blanks separate, double quotes group);
// directory is the program's working directory (null: the caller's). A
// missing file, or a program that is not executable or cannot be run,
// gives a result of 32 or less.
intptr_t ShellExecuteA(HWND owner, const char* operation, const char* file, const char* parameters,
                       const char* directory, int showCommand);

// What a shell link holds.
struct ShellLink {
  std::string target;            // full path of the program or document
  std::string workingDirectory;  // the program's working directory
  std::string arguments;         // its command-line arguments
  std::string name;              // the link's name: its file is name + kShellLinkExtension
};

#ifdef _WIN32
constexpr const char* kShellLinkExtension = ".lnk";
#else
constexpr const char* kShellLinkExtension = ".desktop";
#endif

// folder + separator (unless folder ends in one) + name + extension, with
// either separator in folder accepted.
std::string ShellLinkPath(const std::string& folder, const std::string& name);
// Writes the link into folder, creating the missing folders; 1 on success,
// 0 on failure.
int CreateShortcut(const ShellLink& link, const std::string& folder);
// Removes the link from folder (the folder itself stays); 1 when it was
// removed, 0 otherwise.
int DeleteShortcut(const ShellLink& link, const std::string& folder);
