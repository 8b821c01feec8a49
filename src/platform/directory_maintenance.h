// Directory tests and changes the installer and uninstaller need beside
// filesystem.h: removing an emptied folder, asking whether a folder takes new
// files, and telling plain files from folders. Errors are return values.
#pragma once

#include <string>

// Removes the directory only when it is empty; false otherwise or on failure.
bool PlatRemoveEmptyDirectory(const std::string& path);
// True when the process may create files in the existing directory path.
bool PlatIsWritableDirectory(const std::string& path);
// True when path names an existing regular file (not a folder or device).
bool PlatIsRegularFile(const std::string& path);
// The process's working directory ("" when it cannot be read), and entering
// another (false when it cannot be entered).
std::string PlatWorkingDirectory();
bool PlatEnterDirectory(const std::string& path);
// The folder holding the running program, with a final separator; "" when
// unknown.
std::string PlatProgramDirectory();
