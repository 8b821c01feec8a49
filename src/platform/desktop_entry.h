// Freedesktop desktop entries (format version 1.5) as the
// shell links of the program: pure text functions, no I/O.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// Splits a command-line text into arguments as Windows programs do for the
// simple cases: blanks separate arguments, double quotes group blanks into
// one, and a backslash before a double quote makes it literal.
std::vector<std::string> SplitCommandLine(std::string_view text);

// One argument of an Exec key, quoted by the Desktop Entry rules when it
// holds a reserved character (blank, quote, backslash, $, ...), with '%'
// doubled. The result still needs EscapeDesktopString for the file.
std::string QuoteExecArgument(std::string_view argument);
// The Exec value of a program and its arguments, before string escaping.
std::string ExecLine(std::string_view program, const std::vector<std::string>& arguments);
// The escapes of a string value in a desktop file (\s for a leading space,
// \n \t \r \\).
std::string EscapeDesktopString(std::string_view value);
// A file:// URL for an absolute path, every byte outside the unreserved set
// and '/' percent-encoded.
std::string FileUrl(std::string_view absolutePath);

struct DesktopEntry {
  std::string name;              // Name, and the link file's name before ".desktop"
  std::string target;            // absolute path of the program or document
  std::string workingDirectory;  // Path (programs only; "" for none)
  std::string arguments;         // the link's command-line arguments (programs only)
  bool application = true;       // Type=Application with Exec, else Type=Link with URL
};

// Whether the entry can be written at all: a string value has escapes for
// tab, newline and carriage return only, so a text holding any other control
// byte has no form in a desktop file.
bool DesktopEntryIsWritable(const DesktopEntry& entry);
// The whole file text (of a writable entry).
std::string FormatDesktopEntry(const DesktopEntry& entry);
