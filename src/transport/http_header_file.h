// The ".hdr" file kept beside a downloaded file: the header lines of the last
// good response, without the status line, each ended by a line feed (carriage
// returns removed), up to the blank line.
#pragma once

#include <string>

// The ".hdr" text for a response header (status line through blank line).
// Stops at the first line shorter than 3 characters with its line end.
std::string HeaderFileText(const std::string& responseHeader);

struct HeaderFileInfo {
  bool has_last_modified = false;
  std::string last_modified;  // the field's value, without the blanks around it
  bool has_content_length = false;
  long long content_length = 0;
};
// Reads a ".hdr" text up to its first line shorter than 3 characters. Field
// names match in any case, as the server sent them; the first line of a name
// counts.
HeaderFileInfo ParseHeaderFileText(const std::string& text);
