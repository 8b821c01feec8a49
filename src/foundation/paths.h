// Path-name helpers on narrow strings. Both "/" and "\\" separate directories.
#pragma once

// The part after the last "/" or "\\" (whichever stands later), or the whole
// path. Points into path.
const char* BaseName(const char* path);
char* BaseName(char* path);

// Replaces the file-name part of path (after the last separator) by name, in
// place; path must have the room.
void AddPath(char* path, const char* name);

// Turns every "\\" in path into "/" (in place), then returns the part after
// the first "/data/" if there is one; otherwise the part after the source tree
// of this project and one further directory level (for a source file, its path
// from the layer folder: "foundation/paths.cpp"); otherwise the whole path.
const char* MakePathNameRelative(char* path);
