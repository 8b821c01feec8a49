// Whole files as raw bytes, for the commands whose inputs and outputs are
// byte streams (never read through the file layer, which would unpack a
// compressed container or look on the CD path).
#pragma once

#include <cstddef>
#include <vector>

// False with errno set when the file cannot be read; a directory is refused
// (EISDIR) rather than read as an endless or empty stream.
bool ReadRawFile(const char* name, std::vector<unsigned char>& data);
// Writes the bytes, created anew; false with errno set on any failure,
// including one that shows only when the file is closed.
bool WriteRawFile(const char* name, const unsigned char* data, size_t size);
