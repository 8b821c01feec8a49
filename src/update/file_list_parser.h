// Parsing single lines of a file list. Works on text in memory; reading list
// files is file_list.h.
//
// File line: a kind letter (R O D C U), optional spaces, a digest of exactly
// 32 lower-case hex digits, one or more spaces, then the name: the rest of
// the line, spaces included, less one trailing line feed.
// Patch line: "p", the result digest, the source digest, the result size
// (decimal), the patch name (no spaces) and the target name (the rest of the
// line), separated by spaces.
//
// Names come from the server, so a name that could reach outside the
// installation directory (absolute, starting with a separator or a drive
// letter, or with a ".." component) rejects the line, as does any malformed
// field. "/" and "\" in names become the platform's separator.
#pragma once

#include "update/file_list_entry.h"

// A new entry (next null) for a well-formed file line; null without
// allocating for any other line, including lines that do not start with a
// kind letter.
ZindleFileListEntry* ParseFileListLine(const char* line);

// A new entry (next null) for a well-formed patch line; null for a malformed
// one (missing fields, bad digests, a negative or oversized result size,
// fields longer than 259 characters, unsafe names). The caller has checked
// the leading "p".
ZindlePatchEntry* ParsePatchLine(const char* line);

// True when a relative name from a list may be used under the installation
// directory: not empty, not starting with a separator or a drive letter, and
// no ".." component (either separator counts).
bool IsSafeListName(const char* name);

// Lower-case hex digits, the only ones a list may use.
extern const char hexstr[17];
