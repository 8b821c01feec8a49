// Helpers of the download that other parts use too.
#pragma once

// The text of a run-time library error number (errno): the classic library's
// 41 texts, chosen by the meaning of the host's number ("Unknown error" for
// numbers without one). Logs "errno=%d" to the debug log.
const char* InterpretErrNo(int err);

// Creates every directory named in path, from the root down, ignoring
// failures. A last component not followed by "/" or "\" is a file name and is
// not created. A drive prefix "C:" or a network prefix "\\server\share" stays
// the root.
void MakeDirLevels(const char* path);

// An owned copy of text (free with GRTFree); tag names the allocation for the
// memory log. A null text gives null.
char* StrDup(const char* text, const char* tag);
