// Copying the tail of one file into another inside the system, without
// passing the bytes through the program (the download's temp file holds the
// response header before the body).
#pragma once

#include <string>

struct PlatCopyResult {
  long long read = 0;              // bytes taken from the source
  long long written = 0;           // bytes stored in the destination
  int error = 0;                   // errno of the first failure, 0 when none
  bool source_opened = true;       // false when from could not be opened
  bool destination_opened = true;  // false when to could not be opened
};

// Copies from offset to the end of from into to, created anew (or appended
// to when append is set). Blocks until done.
PlatCopyResult PlatCopyFileTail(const std::string& from, long long offset, const std::string& to, bool append);
