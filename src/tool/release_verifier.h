// verify: an operator's check of a release before players see it, on the
// folder or over HTTP through the launcher's own download code. It reads
// both lists as the launcher does and reports every line the launcher would
// skip or refuse, every listed file that is missing or has another digest,
// tos.txt when it is missing, and every patch that is missing, targets no
// listed file, promises another result than the list, or does not decode to
// its result size. With earlier releases given, each patch is also applied to
// the file of its source digest found there, and must give its result digest.
#pragma once

#include <string>
#include <vector>

struct VerifyOptions {
  std::string releaseDir;             // either this
  std::string baseUrl;                // or this: the address the launcher is given, e.g. http://host/krnx/
  std::vector<std::string> previous;  // earlier release folders holding the patches' source files
  bool linuxOnly = false;             // names no Windows player can install are not problems
};

struct VerifyReport {
  std::vector<std::string> problems;  // one line each
  long long files = 0;
  long long patches = 0;
  long long patchesApplied = 0;
};

// Fills report; a release that cannot be reached at all is one more problem.
void VerifyRelease(const VerifyOptions& options, VerifyReport* report);
