// Gzip-compressed tar archives of a directory (libarchive).
#pragma once

#include <string>
#include <vector>

// Writes every file and folder under dir into archive, named
// topName/RELATIVE, with their permission bits. Written under a temporary
// name and renamed, so a failure leaves no half-written archive. False with
// the reason.
bool WriteTarGz(const std::string& dir, const std::string& topName, const std::string& archive, std::string* error);
