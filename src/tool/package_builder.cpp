#include "tool/package_builder.h"

#include <cstring>
#include <filesystem>
#include <map>
#include <system_error>
#include <vector>

#include "tool/copy_digest.h"
#include "tool/package_archive.h"
#include "tool/raw_file.h"
#include "tool/release_list.h"
#include "tool/staged_directory.h"
#include "transport/md5.h"

namespace fs = std::filesystem;

namespace {

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  return s;
}

bool IsCatalogue(const std::string& name) {
  const std::string lower = Lower(name);
  return lower.find('/') == std::string::npos && lower.size() > 4 && lower.compare(lower.size() - 4, 4, ".cat") == 0;
}

bool IsSkin(const std::string& name) {
  const std::string lower = Lower(name);
  return lower.rfind("zindimgs/", 0) == 0 || lower.rfind("backgrnd/", 0) == 0 || IsCatalogue(name);
}

struct Item {
  std::string name;  // in the package
  fs::path source;
  char kind = 'R';
  bool checked = false;  // must have the listed digest
  unsigned char listed[16];
};

// The release as the launcher sees it: master.lst with updated.lst merged in.
bool ReadListed(const fs::path& release, const std::string& releaseName, std::map<std::string, ReleaseFile>* listed,
                std::string* error) {
  for (const char* list : {"master.lst", "updated.lst"}) {
    ReleaseListContents contents;
    std::vector<std::string> problems;
    ReadReleaseList((release / list).string(), (release / list).string(), &contents, &problems);
    if (!problems.empty()) {
      *error = "release " + releaseName + " is damaged: " + problems.front();
      return false;
    }
    for (const ReleaseFile& f : contents.files) (*listed)[f.name] = f;
  }
  if (listed->empty()) {
    *error = "release " + releaseName + " lists no files";
    return false;
  }
  return true;
}

// What the package carries: the files the launcher installs, the launcher,
// and the default skin when the release has none.
bool ChooseItems(const PackageOptions& o, const std::map<std::string, ReleaseFile>& listed, std::vector<Item>* items,
                 std::string* error) {
  std::error_code ec;
  const fs::path release(o.releaseDir);
  bool releaseHasSkin = false, releaseHasLauncher = false;
  for (const auto& [name, f] : listed) {
    releaseHasSkin |= Lower(name) == "zindimgs/txtr.ctl";
    if (name == "quorvel.exe") {
      releaseHasLauncher = true;
      if (!o.launcherPath.empty()) continue;
    }
    // Only what the launcher installs; O, D and U files stay on the server.
    if (f.kind != 'R' && f.kind != 'C') continue;
    Item item;
    item.name = name;
    item.source = release / name;
    item.kind = f.kind;
    item.checked = true;
    std::memcpy(item.listed, f.digest, 16);
    items->push_back(item);
  }
  if (!o.launcherPath.empty() || !releaseHasLauncher) {
    const std::string launcher = o.launcherPath.empty() ? o.defaultLauncherPath : o.launcherPath;
    if (launcher.empty() || !fs::is_regular_file(launcher, ec)) {
      *error = "no launcher " + (launcher.empty() ? std::string("quorvel.exe") : launcher) + " to carry";
      return false;
    }
    Item item;
    item.name = "quorvel.exe";
    item.source = launcher;
    items->push_back(item);
  }
  if (releaseHasSkin) return true;
  const fs::path assets(o.assetsDir);
  if (!fs::is_regular_file(assets / "zindimgs" / "txtr.ctl", ec)) {
    *error = "the release has no skin and there is no " + (assets / "zindimgs" / "txtr.ctl").string();
    return false;
  }
  for (fs::recursive_directory_iterator it(assets, ec), end; !ec && it != end; it.increment(ec)) {
    if (!it->is_regular_file()) continue;
    const std::string name = it->path().lexically_relative(assets).generic_string();
    if (!IsSkin(name) || listed.count(name)) continue;
    Item item;
    item.name = name;
    item.source = it->path();
    items->push_back(item);
  }
  return true;
}

// The items copied into out, each checked against its listed digest, and
// files.ins listing them.
bool CopyItems(const std::vector<Item>& items, const fs::path& out, const std::string& releaseName,
               PackageSummary* summary, std::string* error) {
  std::error_code ec;
  std::vector<unsigned char> buffer(1 << 20);
  std::string filesIns;
  for (const Item& item : items) {
    CopyResult copy;
    const fs::path to = out / item.name;
    if (!CopyWithDigest(item.source.string(), item.source.string(), to.string(), &copy, buffer, error)) return false;
    if (copy.compressed && !GetMD5(to.c_str(), copy.digest)) {
      *error = item.source.string() + ": a damaged compressed file";
      return false;
    }
    if (item.checked && std::memcmp(copy.digest, item.listed, 16) != 0) {
      *error = "release " + releaseName + " is damaged: " + item.name + " does not have its listed digest";
      return false;
    }
    // The player starts the launcher from the unpacked folder.
    const std::string lower = Lower(item.name);
    if (lower.size() > 4 && lower.compare(lower.size() - 4, 4, ".exe") == 0)
      fs::permissions(to,
                      fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec | fs::perms::others_read |
                          fs::perms::others_exec,
                      ec);
    ReleaseFile entry;
    entry.kind = item.kind;
    std::memcpy(entry.digest, copy.digest, 16);
    entry.name = item.name;
    filesIns += FormatFileLine(entry);
    summary->files++;
    summary->bytes += copy.size;
  }
  if (!WriteRawFile((out / "files.ins").c_str(), reinterpret_cast<const unsigned char*>(filesIns.data()),
                    filesIns.size())) {
    *error = (out / "files.ins").string() + ": cannot be written";
    return false;
  }
  return true;
}

}  // namespace

bool BuildPackage(const PackageOptions& o, PackageSummary* summary, std::string* error) {
  *summary = PackageSummary();
  std::error_code ec;
  const fs::path release(o.releaseDir);
  if (!fs::is_directory(release, ec)) {
    *error = "release directory " + o.releaseDir + " does not exist";
    return false;
  }
  std::map<std::string, ReleaseFile> listed;
  if (!ReadListed(release, o.releaseDir, &listed, error)) return false;
  std::vector<Item> items;
  if (!ChooseItems(o, listed, &items, error)) return false;

  StagedDirectory staged;
  if (!staged.Begin(o.packageDir, "files.ins", error)) return false;
  if (!CopyItems(items, staged.path(), o.releaseDir, summary, error)) return false;
  if (!staged.Commit(error)) return false;
  if (!o.tarFile.empty()) {
    const fs::path pkg = fs::absolute(o.packageDir, ec).lexically_normal();
    std::string top = pkg.filename().string();
    if (top.empty()) top = pkg.parent_path().filename().string();
    if (!WriteTarGz(o.packageDir, top, o.tarFile, error)) return false;
  }
  return true;
}
