#include "tool/release_verifier.h"

#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <system_error>

#include "foundation/program_clock.h"
#include "platform/mapped_file.h"
#include "tool/raw_file.h"
#include "tool/release_list.h"
#include "transport/http_download.h"
#include "transport/md5.h"
#include "update/patch_decoder.h"

namespace fs = std::filesystem;

namespace {

// Where the release's files come from: the folder, or the server through
// FileDownload into a scratch folder.
class Source {
 public:
  virtual ~Source() = default;
  // The local path of the file, or "" with the reason.
  virtual std::string Get(const std::string& name, std::string* why) = 0;
  // The copy is no longer needed.
  virtual void Done(const std::string& path) {}
};

class FolderSource : public Source {
 public:
  explicit FolderSource(std::string dir) : dir_(std::move(dir)) {}
  std::string Get(const std::string& name, std::string* why) override {
    const fs::path p = fs::path(dir_) / name;
    std::error_code ec;
    if (!fs::is_regular_file(p, ec)) {
      *why = fs::exists(p, ec) ? "not a file" : "missing";
      return "";
    }
    return p.string();
  }

 private:
  std::string dir_;
};

class HttpSource : public Source {
 public:
  explicit HttpSource(std::string base) : base_(std::move(base)) {
    if (base_.empty() || base_.back() != '/') base_ += '/';
    std::random_device rd;
    scratch_ = (fs::temp_directory_path() / ("quorvel-verify-" + std::to_string(rd()) + std::to_string(rd()))).string();
    std::error_code ec;
    fs::create_directories(scratch_, ec);
    SetTimerRate(kTimerRate64Hz);  // the launcher's clock
  }
  ~HttpSource() override {
    std::error_code ec;
    fs::remove_all(scratch_, ec);
  }
  std::string Get(const std::string& name, std::string* why) override {
    const std::string dir = scratch_ + "/";
    auto download =
        std::make_unique<FileDownload>((base_ + name).c_str(), name.c_str(),
                                       kDownloadUnconditional | kDownloadNoPartial, nullptr, dir.c_str(), nullptr);
    int percent = 0, result;
    for (;;) {
      result = download->Update(percent);
      if (result == kDownloadFinished || result == kDownloadFailed || result == kDownloadNotModified) break;
      download->WaitForActivity(50);
    }
    if (result != kDownloadFinished) *why = download->ErrorString();
    download->Reset(1);
    return result == kDownloadFinished ? dir + name : "";
  }
  void Done(const std::string& path) override {
    std::error_code ec;
    fs::remove(path, ec);
  }

 private:
  std::string base_, scratch_;
};

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  return s;
}

// Files of the earlier releases by digest: where a patch's source is found.
std::map<std::string, std::string> IndexPrevious(const std::vector<std::string>& dirs, VerifyReport* report) {
  std::map<std::string, std::string> byDigest;
  for (const std::string& dir : dirs) {
    for (const char* list : {"master.lst", "updated.lst"}) {
      ReleaseListContents contents;
      std::vector<std::string> problems;
      const std::string path = (fs::path(dir) / list).string();
      ReadReleaseList(path, path, &contents, &problems);
      for (const std::string& p : problems) report->problems.push_back("previous release: " + p);
      for (const ReleaseFile& f : contents.files)
        byDigest.emplace(DigestHex(f.digest), (fs::path(dir) / f.name).string());
    }
  }
  return byDigest;
}

using Problem = std::function<void(const std::string&)>;

// The lists, merged as the launcher merges them: updated entries win.
void ReadLists(Source& source, bool linuxOnly, std::map<std::string, ReleaseFile>* files,
               std::vector<ReleasePatch>* patches, VerifyReport* report) {
  for (const char* list : {"master.lst", "updated.lst"}) {
    std::string why;
    const std::string path = source.Get(list, &why);
    if (path.empty()) {
      report->problems.push_back(std::string(list) + ": " + why);
      continue;
    }
    ReleaseListContents contents;
    ReadReleaseList(path, list, &contents, &report->problems);
    source.Done(path);
    std::set<std::string> names;
    std::map<std::string, std::string> lowered;
    for (const ReleaseFile& f : contents.files) {
      const std::string at = std::string(list) + ": ";
      if (!names.insert(f.name).second) report->problems.push_back(at + f.name + " is listed twice");
      const std::string windows = linuxOnly ? "" : WindowsNameProblem(f.name);
      if (!windows.empty()) report->problems.push_back(at + f.name + ": " + windows);
      auto [it, fresh] = lowered.emplace(Lower(f.name), f.name);
      if (!fresh && it->second != f.name)
        report->problems.push_back(at + it->second + " and " + f.name + " differ only in letter case");
      (*files)[f.name] = f;
    }
    patches->insert(patches->end(), contents.patches.begin(), contents.patches.end());
  }
}

// Every listed file is there with its digest.
void CheckFiles(Source& source, const std::map<std::string, ReleaseFile>& files, VerifyReport* report,
                const Problem& problem) {
  for (const auto& [name, f] : files) {
    report->files++;
    std::string why;
    const std::string path = source.Get(name, &why);
    if (path.empty()) {
      problem(name + ": " + why);
      continue;
    }
    unsigned char digest[16];
    if (!GetMD5(path.c_str(), digest)) problem(name + ": cannot be read");
    else if (std::memcmp(digest, f.digest, 16) != 0)
      problem(name + ": digest " + DigestHex(digest) + ", listed " + DigestHex(f.digest));
    source.Done(path);
  }
}

// A patch applied to its source from an earlier release gives its result.
void CheckPatchApplies(const ReleasePatch& p, const std::vector<unsigned char>& diff, const std::string& oldPath,
                       const std::string& what, VerifyReport* report, const Problem& problem) {
  // The old file is mapped and the result digested as it is decoded: a
  // file of any size is checked without holding either in memory.
  PlatMappedFile oldData;
  unsigned char digest[16];
  if (!oldData.Open(oldPath)) return;
  MD5OfBytes(oldData.data(), oldData.size(), digest);
  if (std::memcmp(digest, p.sourceDigest, 16) != 0) return;
  MD5Stream result;
  const long long outLength = StreamDiffs(oldData.data(), static_cast<long long>(oldData.size()), diff.data(),
                                          static_cast<long long>(diff.size()),
                                          [&](const unsigned char* piece, size_t n) { result.Add(piece, n); });
  report->patchesApplied++;
  if (outLength < 0 || outLength != p.resultSize) {
    problem(what + "does not apply to " + oldPath);
    return;
  }
  result.Finish(digest);
  if (std::memcmp(digest, p.resultDigest, 16) != 0)
    problem(what + "applied to " + oldPath + " gives digest " + DigestHex(digest) + ", not " +
            DigestHex(p.resultDigest));
}

// Each patch aims at a listed file's digest, is the only one from its source,
// decodes to the listed size, and applies where its source can be found.
void CheckPatches(Source& source, const std::map<std::string, ReleaseFile>& files,
                  const std::vector<ReleasePatch>& patches, const std::map<std::string, std::string>& previous,
                  VerifyReport* report, const Problem& problem) {
  std::set<std::string> sources;
  for (const ReleasePatch& p : patches) {
    report->patches++;
    const std::string what = "patch " + p.patchName + " for " + p.targetName + ": ";
    auto target = files.find(p.targetName);
    if (target == files.end()) problem(what + "its target is not listed, so it is never used");
    else if (std::memcmp(target->second.digest, p.resultDigest, 16) != 0)
      problem(what + "gives digest " + DigestHex(p.resultDigest) + " but the list wants " +
              DigestHex(target->second.digest));
    if (files.count(p.patchName)) problem(what + "its name is also a listed file");
    if (!sources.insert(DigestHex(p.sourceDigest)).second)
      problem(what + "another patch has the same source digest, and the launcher only ever picks one");
    std::string why;
    const std::string path = source.Get(p.patchName, &why);
    if (path.empty()) {
      problem(what + why);
      continue;
    }
    std::vector<unsigned char> diff;
    const bool read = ReadRawFile(path.c_str(), diff) && diff.size() <= 0x7fffffff;
    source.Done(path);
    if (!read) {
      problem(what + "cannot be read");
      continue;
    }
    const long long length = PatchResultLength(diff.data(), static_cast<long long>(diff.size()));
    if (length != p.resultSize) {
      problem(what + (length < 0
                          ? "cut short"
                          : "decodes to " + std::to_string(length) + " bytes, not " + std::to_string(p.resultSize)));
      continue;
    }
    auto old = previous.find(DigestHex(p.sourceDigest));
    if (old != previous.end()) CheckPatchApplies(p, diff, old->second, what, report, problem);
  }
}

}  // namespace

void VerifyRelease(const VerifyOptions& o, VerifyReport* report) {
  *report = VerifyReport();
  std::unique_ptr<Source> source;
  if (!o.baseUrl.empty()) {
    source = std::make_unique<HttpSource>(o.baseUrl);
  } else {
    std::error_code ec;
    if (!fs::is_directory(o.releaseDir, ec)) {
      report->problems.push_back(o.releaseDir + ": no such directory");
      return;
    }
    source = std::make_unique<FolderSource>(o.releaseDir);
  }
  const Problem problem = [&](const std::string& text) { report->problems.push_back(text); };

  std::map<std::string, ReleaseFile> files;
  std::vector<ReleasePatch> patches;
  ReadLists(*source, o.linuxOnly, &files, &patches, report);
  {
    std::string why;
    const std::string tos = source->Get("tos.txt", &why);
    if (tos.empty()) problem("tos.txt: " + why + " (the launcher shows it before every install and update)");
    else source->Done(tos);
  }
  CheckFiles(*source, files, report, problem);
  const std::map<std::string, std::string> previous = IndexPrevious(o.previous, report);
  CheckPatches(*source, files, patches, previous, report, problem);
}
