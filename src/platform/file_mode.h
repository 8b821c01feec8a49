// File permissions that the program sets on what it writes.
#pragma once

#include <string>

// Makes path executable by whoever may read it (a no-op where files carry no
// such bit). False when the file's mode cannot be read or changed.
bool PlatMakeExecutable(const std::string& path);
