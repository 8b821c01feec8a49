#include "update/stale_work_files.h"

#include "platform/filesystem.h"

bool IsStaleTransferName(const std::string& name, const std::string& base) {
  const std::string stem = base + ".tmp";
  if (name.size() <= stem.size() || name.compare(0, stem.size(), stem) != 0) return false;
  for (size_t i = stem.size(); i < name.size(); ++i)
    if (name[i] < '0' || name[i] > '9') return false;
  return true;
}

void StaleWorkFileSweeper::Sweep(const std::string& path, bool keepBody) {
  const size_t cut = path.find_last_of("/\\");
  const std::string dir = cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
  const std::string base = cut == std::string::npos ? path : path.substr(cut + 1);
  if (base.empty()) return;
  auto listing = listings_.find(dir);
  if (listing == listings_.end()) {
    std::vector<std::string> names;
    if (!PlatListDirectory(dir, names)) names.clear();
    listing = listings_.emplace(dir, std::move(names)).first;
  }
  std::vector<std::string>& names = listing->second;
  for (size_t i = 0; i < names.size();) {
    const std::string& name = names[i];
    const bool stale = name == base + ".ins" || IsStaleTransferName(name, base) || (!keepBody && name == base + ".res");
    // Only plain files: a folder of that name is someone else's.
    if (stale && !PlatIsDirectory(dir + name) && PlatRemoveFile(dir + name)) {
      names[i] = names.back();
      names.pop_back();
    } else {
      ++i;
    }
  }
}

void SweepListWorkFiles(const std::string& dir, const std::vector<std::string>& names) {
  StaleWorkFileSweeper sweeper;
  for (const std::string& name : names)
    if (!name.empty()) sweeper.Sweep(dir + name, true);
}
