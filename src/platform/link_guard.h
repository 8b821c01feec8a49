// Symbolic links met on the way to a file named by a list or a server. A
// name is checked as text first (no "..", no absolute path, no drive letter);
// these tests keep a link inside the installation directory from carrying a
// write, a deletion or a read outside it.
#pragma once

#include <string>

// True when path itself is a symbolic link (it is not followed).
bool PlatIsSymbolicLink(const std::string& path);

// True when a folder between root (a directory ending in a separator; not
// itself tested) and root + relative is a symbolic link. The last component
// of relative is not tested: a link there is replaced, never written through,
// by the rename that puts a file in place.
bool PlatPathCrossesLink(const std::string& root, const std::string& relative);
