// A directory built beside its final place and then put there with renames,
// so that a failed or interrupted build never leaves a half-written tree
// under the final name: the old tree stays as it was until the new one is
// complete.
#pragma once

#include <string>

class StagedDirectory {
 public:
  StagedDirectory() = default;
  // Removes the staging folder unless Commit succeeded.
  ~StagedDirectory();
  StagedDirectory(const StagedDirectory&) = delete;
  StagedDirectory& operator=(const StagedDirectory&) = delete;

  // Creates the staging folder ".NAME.staging-RANDOM" beside target (and the
  // folders above it when missing). An existing
  // target must be a directory that is empty or holds the file marker (what
  // this command writes, "master.lst" or "files.ins"): any other directory is
  // refused rather than replaced. False with the reason.
  bool Begin(const std::string& target, const std::string& marker, std::string* error);
  const std::string& path() const { return staging_; }
  // Puts the staged tree at target: the old tree is renamed aside, the new
  // one renamed into place, then the old one removed. On failure the old
  // tree is put back.
  bool Commit(std::string* error);

 private:
  std::string target_, staging_;
  bool committed_ = false;
};
