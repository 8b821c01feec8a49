// Reading image and control files by name. Names may use "\" or "/" and any
// case: a name that does not exist as spelled is tried in lower case, the
// way the skin's files are stored.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// Files larger than this are not read (no image of the launcher comes near).
constexpr size_t kMaxImageFileBytes = 64u * 1024 * 1024;

// The name as it can be opened here ("/" separators, lower case when only
// that exists), or "" when no such file exists.
std::string FindImageFile(const char* name);
bool ImageFileExists(const char* name);
// Reads the whole file; false when it is missing, unreadable or too large.
bool ReadImageFileBytes(const char* name, std::vector<unsigned char>* out);
// Replaces the extension of a name (the text after the last "." that follows
// the last separator) or appends one; ext includes the dot.
std::string ReplaceExtension(const std::string& name, const char* ext);
