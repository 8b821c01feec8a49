// The work files an interrupted run leaves beside a listed file: the raw
// response of a transfer (NAME.tmp followed by the timer count at its start),
// the staging copy of the package copy (NAME.ins) and the body of a transfer
// that was not yet put in place (NAME.res). None of them is ever reused under
// its name except the body, which a later transfer of the same file may
// resume; so each check of a listed file removes the first two, and the body
// too once the file no longer has to be fetched. Without this every killed
// transfer would leave one more raw response behind, for ever.
// A patch backup (NAME.tmp, no digits) is not one of them: it may hold the
// only copy of the file (RecoverPatchBackup).
#pragma once

#include <map>
#include <string>
#include <vector>

// True for a name that is base + ".tmp" + one or more digits.
bool IsStaleTransferName(const std::string& name, const std::string& base);

// The same for files no list names (the two lists, the Terms) in the
// installation directory dir; called before the first of them is queued.
// Their bodies stay, for the transfer to resume.
void SweepListWorkFiles(const std::string& dir, const std::vector<std::string>& names);

// Lists each directory once for all the files checked in it.
class StaleWorkFileSweeper {
 public:
  // path: the full path of a listed file. keepBody: the file is still to be
  // fetched, so its ".res" stays for the transfer to resume.
  void Sweep(const std::string& path, bool keepBody);

 private:
  std::map<std::string, std::vector<std::string>> listings_;
};
