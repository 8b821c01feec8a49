// Shared by the publish, package and verify tests: game directories written
// from a name -> contents map, quorvel-tool runs, and reading lists back
// through `list parse` (the launcher's own reader).
#pragma once

#include <map>
#include <string>
#include <vector>

#include "support/process.h"

using FileMap = std::map<std::string, std::string>;  // list name ("/") -> contents

// Runs quorvel-tool with the arguments.
ProcessResult Tool(const std::vector<std::string>& args, const std::vector<std::string>& env = {});
// Writes every file of files under dir, creating folders.
void WriteTree(const std::string& dir, const FileMap& files);
// Every regular file under dir, by relative name.
FileMap ReadTree(const std::string& dir);
std::string Md5Hex(const std::string& data);
// Deterministic pseudo-random bytes.
std::string Noise(size_t n, unsigned seed);
// `list parse` of a list file: its output lines.
std::vector<std::string> ParseList(const std::string& path);
// The file lines of a parsed list as name -> "KIND HEX".
std::map<std::string, std::string> ListedFiles(const std::string& path);
// The patch lines of a parsed list.
struct ParsedPatch {
  std::string result, source, patch, target;
  long long size = 0;
};
std::vector<ParsedPatch> ListedPatches(const std::string& path);
// Names under dir (one level) that start with prefix: leftovers of staging.
std::vector<std::string> EntriesStartingWith(const std::string& dir, const std::string& prefix);
