// Copying a file while taking the MD5 digest of the bytes written, so that a
// published or packaged digest describes exactly the copy made.
#pragma once

#include <string>
#include <vector>

struct CopyResult {
  unsigned char digest[16];
  long long size = 0;
  // A compressed container: the launcher digests it by its contents, so the
  // caller must take GetMD5 of the copy instead of this digest.
  bool compressed = false;
};

// Creates the folders of to. Keeps the permission bits of from. False with
// the reason: "SHOWN: cannot be read: ..." for the source (shown is its name
// in messages), "TO: cannot be written: ..." for the copy. buffer is working
// memory of any non-zero size.
bool CopyWithDigest(const std::string& from, const std::string& shown, const std::string& to, CopyResult* result,
                    std::vector<unsigned char>& buffer, std::string* error);
