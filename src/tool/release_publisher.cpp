#include "tool/release_publisher.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <system_error>
#include <thread>

#include "tool/copy_digest.h"
#include "tool/kind_rules.h"
#include "tool/raw_file.h"
#include "tool/release_list.h"
#include "tool/staged_directory.h"
#include "transport/compressed_file.h"
#include "transport/md5.h"
#include "update/patch_encoder.h"

namespace fs = std::filesystem;

namespace {

// Files the launcher patches are held whole in memory, on both sides; bigger
// ones are always fetched whole.
constexpr long long kMaxPatchedFile = 1LL << 30;
constexpr size_t kCopyBlock = 1 << 20;

struct SourceFile {
  std::string name;  // list name, "/" separators
  fs::path source;
  char kind = 'R';
  unsigned char digest[16];
  long long size = 0;
  bool compressed = false;  // a compressed container: its digest is of its contents, and it is never patched
  std::string error;
};

struct PreviousRelease {
  fs::path dir;
  std::map<std::string, ReleaseFile> files;  // master.lst merged with updated.lst
};

struct PatchJob {
  const SourceFile* file;
  fs::path oldPath;
  unsigned char sourceDigest[16];
  std::vector<unsigned char> patch;
  bool made = false;
  std::string warning;
};

bool IsInside(const fs::path& inner, const fs::path& outer) {
  const std::string i = inner.generic_string(), o = outer.generic_string();
  if (i == o) return true;
  const std::string prefix = o.back() == '/' ? o : o + "/";
  return i.compare(0, prefix.size(), prefix) == 0;
}

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  return s;
}

// Runs work(i) for i in [0, count) on the given number of threads.
template <class Work>
void RunParallel(size_t count, int threads, Work work) {
  std::atomic<size_t> next{0};
  auto loop = [&] {
    for (size_t i; (i = next++) < count;) work(i);
  };
  std::vector<std::thread> pool;
  for (int t = 1; t < threads && size_t(t) < count; ++t) pool.emplace_back(loop);
  loop();
  for (std::thread& t : pool) t.join();
}

// Every file under root, as list names. Symbolic links are taken for the
// file they name when that stays inside root.
bool CollectFiles(const fs::path& root, std::vector<SourceFile>* out, std::string* error) {
  std::error_code ec;
  const fs::path canonicalRoot = fs::canonical(root, ec);
  fs::recursive_directory_iterator it(root, fs::directory_options::none, ec), end;
  if (ec) {
    *error = root.string() + ": " + ec.message();
    return false;
  }
  for (; it != end; it.increment(ec)) {
    if (ec) break;
    const fs::path p = it->path();
    const std::string name = p.lexically_relative(root).generic_string();
    const fs::file_status st = it->symlink_status(ec);
    if (ec) {
      *error = name + ": " + ec.message();
      return false;
    }
    if (fs::is_symlink(st)) {
      const fs::path target = fs::canonical(p, ec);
      if (ec) {
        *error = name + ": symbolic link to nothing";
        return false;
      }
      if (!IsInside(target, canonicalRoot)) {
        *error = name + ": symbolic link leaving the game directory (to " + target.string() + ")";
        return false;
      }
      if (fs::is_directory(target)) {
        *error = name + ": symbolic link to a directory (only files may be links)";
        return false;
      }
      if (!fs::is_regular_file(target)) {
        *error = name + ": symbolic link to something that is not a file";
        return false;
      }
    } else if (fs::is_directory(st)) {
      continue;
    } else if (!fs::is_regular_file(st)) {
      *error = name + ": not a regular file";
      return false;
    }
    SourceFile f;
    f.name = name;
    f.source = p;
    out->push_back(std::move(f));
  }
  if (ec) {
    *error = it == end ? root.string() + ": " + ec.message() : it->path().string() + ": " + ec.message();
    return false;
  }
  return true;
}

bool ReadPrevious(const std::string& dir, PreviousRelease* out, std::string* error) {
  out->dir = dir;
  for (const char* list : {"master.lst", "updated.lst"}) {
    ReleaseListContents contents;
    std::vector<std::string> problems;
    const fs::path path = fs::path(dir) / list;
    ReadReleaseList(path.string(), path.string(), &contents, &problems);
    if (!problems.empty()) {
      *error = "previous release " + dir + " is damaged: " + problems.front();
      return false;
    }
    for (const ReleaseFile& f : contents.files) out->files[f.name] = f;
  }
  if (out->files.empty()) {
    *error = "previous release " + dir + " lists no files";
    return false;
  }
  return true;
}

// The launcher and skin files publish adds, each unless the game has its own.
bool AddLauncherAndSkin(const PublishOptions& o, std::vector<SourceFile>* files, std::string* error) {
  bool hasLauncher = false, hasZindimgs = false, hasBackgrnd = false, hasCatalogue = false;
  for (const SourceFile& f : *files) {
    const std::string lower = Lower(f.name);
    if (lower == "quorvel.exe") hasLauncher = true;
    if (lower.rfind("zindimgs/", 0) == 0) hasZindimgs = true;
    if (lower.rfind("backgrnd/", 0) == 0) hasBackgrnd = true;
    if (lower.find('/') == std::string::npos && lower.size() > 4 && lower.compare(lower.size() - 4, 4, ".cat") == 0)
      hasCatalogue = true;
  }
  std::error_code ec;
  if (!hasLauncher) {
    if (o.launcherPath.empty() || !fs::is_regular_file(o.launcherPath, ec)) {
      *error = "no launcher " + (o.launcherPath.empty() ? std::string("quorvel.exe") : o.launcherPath) +
               " to carry (build quorvel.exe, or give --no-launcher)";
      return false;
    }
    SourceFile f;
    f.name = "quorvel.exe";
    f.source = o.launcherPath;
    files->push_back(f);
  }
  const fs::path assets(o.assetsDir);
  if (!hasZindimgs) {
    if (!fs::is_regular_file(assets / "zindimgs" / "txtr.ctl", ec)) {
      *error = "no skin " + (assets / "zindimgs" / "txtr.ctl").string() + " to carry (give --no-launcher)";
      return false;
    }
  }
  for (const char* folder : {"zindimgs", "backgrnd"}) {
    if ((std::string(folder) == "zindimgs" && hasZindimgs) || (std::string(folder) == "backgrnd" && hasBackgrnd))
      continue;
    std::vector<SourceFile> skin;
    if (fs::is_directory(assets / folder, ec) && !CollectFiles(assets / folder, &skin, error)) return false;
    for (SourceFile& f : skin) {
      f.name = std::string(folder) + "/" + f.name;
      files->push_back(std::move(f));
    }
  }
  if (!hasCatalogue) {
    for (const fs::directory_entry& e : fs::directory_iterator(assets, ec)) {
      const std::string name = e.path().filename().string();
      const std::string lower = Lower(name);
      if (e.is_regular_file() && lower.size() > 4 && lower.compare(lower.size() - 4, 4, ".cat") == 0) {
        SourceFile f;
        f.name = name;
        f.source = e.path();
        files->push_back(f);
      }
    }
  }
  return true;
}

// Names every list can carry, none that collide with what publish itself
// writes, and none that only letter case tells apart.
bool CheckNames(const std::vector<SourceFile>& files, bool tosGiven, bool linuxOnly, std::string* patchFolder,
                std::vector<std::string>* warnings, std::string* error) {
  std::map<std::string, std::string> lowered;
  std::set<std::string> topFolders;
  for (const SourceFile& f : files) {
    const std::string why = ListNameProblem(f.name);
    if (!why.empty()) {
      *error = "cannot publish \"" + f.name + "\": " + why;
      return false;
    }
    const std::string windows = WindowsNameProblem(f.name);
    if (!windows.empty() && !linuxOnly) {
      *error = "cannot publish \"" + f.name + "\": " + windows + " (--linux-only publishes it anyway)";
      return false;
    }
    if (!windows.empty()) warnings->push_back("\"" + f.name + "\": " + windows + "; no Windows player can install it");
    const std::string lower = Lower(f.name);
    for (const char* reserved : {"master.lst", "updated.lst", "files.ins"}) {
      if (lower == reserved) {
        *error = "cannot publish \"" + f.name + "\": the name of a list the release itself holds";
        return false;
      }
    }
    if (tosGiven && lower == "tos.txt") {
      *error = "the game has its own tos.txt and --tos gives another";
      return false;
    }
    auto [it, fresh] = lowered.emplace(lower, f.name);
    if (!fresh) {
      *error = "\"" + it->second + "\" and \"" + f.name + "\" differ only in letter case (one file on Windows)";
      return false;
    }
    topFolders.insert(lower.substr(0, lower.find('/')));
  }
  *patchFolder = "patches";
  for (int n = 1; topFolders.count(*patchFolder); ++n) *patchFolder = "patches" + std::to_string(n);
  return true;
}

bool WriteText(const fs::path& path, const std::string& text, std::string* error) {
  if (!WriteRawFile(path.c_str(), reinterpret_cast<const unsigned char*>(text.data()), text.size())) {
    *error = path.string() + ": cannot be written: " + std::strerror(errno);
    return false;
  }
  return true;
}

// The game and release directories exist apart from each other, and the
// options make sense.
bool CheckPlaces(const PublishOptions& o, fs::path* game, std::string* error) {
  std::error_code ec;
  if (!fs::is_directory(o.gameDir, ec)) {
    *error = "game directory " + o.gameDir + (fs::exists(o.gameDir, ec) ? " is not a directory" : " does not exist");
    return false;
  }
  *game = fs::canonical(o.gameDir, ec);
  const fs::path release = fs::weakly_canonical(fs::absolute(o.releaseDir, ec), ec);
  if (IsInside(release, *game)) {
    *error = "the release directory " + o.releaseDir + " lies inside the game directory " + o.gameDir;
    return false;
  }
  if (IsInside(*game, release)) {
    *error = "the game directory " + o.gameDir + " lies inside the release directory " + o.releaseDir;
    return false;
  }
  if (o.patchThresholdPercent < 0 || o.patchThresholdPercent > 100) {
    *error = "the patch threshold must be 0 to 100 percent";
    return false;
  }
  if (!o.tosFile.empty() && !fs::is_regular_file(o.tosFile, ec)) {
    *error = "--tos " + o.tosFile + ": no such file";
    return false;
  }
  return true;
}

// The files, copied into out and digested on every core.
bool CopyAndDigest(std::vector<SourceFile>& files, const fs::path& out, int threads, PublishSummary* summary,
                   std::string* error) {
  RunParallel(files.size(), threads, [&](size_t i) {
    thread_local std::vector<unsigned char> buffer(kCopyBlock);
    SourceFile& f = files[i];
    CopyResult copy;
    if (CopyWithDigest(f.source.string(), f.name, (out / f.name).string(), &copy, buffer, &f.error)) {
      std::memcpy(f.digest, copy.digest, 16);
      f.size = copy.size;
      f.compressed = copy.compressed;
    }
  });
  for (SourceFile& f : files) {
    if (!f.error.empty()) {
      *error = f.error;
      return false;
    }
    // The launcher digests a compressed container by its contents.
    if (f.compressed && !GetMD5((out / f.name).c_str(), f.digest)) {
      *error = f.name + ": a damaged compressed file";
      return false;
    }
    summary->files++;
    summary->bytes += f.size;
  }
  return true;
}

// Patches from every older digest of every file, made on every core.
std::vector<PatchJob> MakePatches(const std::vector<SourceFile>& files, const std::vector<PreviousRelease>& previous,
                                  const fs::path& out, int threads) {
  std::vector<PatchJob> jobs;
  for (const SourceFile& f : files) {
    if (f.compressed || f.size > kMaxPatchedFile) continue;
    std::vector<std::string> seen;
    for (const PreviousRelease& p : previous) {
      auto it = p.files.find(f.name);
      if (it == p.files.end() || std::memcmp(it->second.digest, f.digest, 16) == 0) continue;
      const std::string hex = DigestHex(it->second.digest);
      if (std::find(seen.begin(), seen.end(), hex) != seen.end()) continue;
      seen.push_back(hex);
      PatchJob job;
      job.file = &f;
      job.oldPath = p.dir / f.name;
      std::memcpy(job.sourceDigest, it->second.digest, 16);
      jobs.push_back(std::move(job));
    }
  }
  RunParallel(jobs.size(), threads, [&](size_t i) {
    PatchJob& job = jobs[i];
    std::vector<unsigned char> oldData, newData;
    // An old copy too large to patch from is not read into memory at all.
    std::error_code ec;
    const auto oldSize = fs::file_size(job.oldPath, ec);
    if (!ec && oldSize > static_cast<uintmax_t>(kMaxPatchedFile)) return;
    if (!ReadRawFile(job.oldPath.c_str(), oldData)) {
      job.warning = "no patch for " + job.file->name + " from " + job.oldPath.string() + ": " + std::strerror(errno);
      return;
    }
    unsigned char d[16];
    MD5OfBytes(oldData.data(), oldData.size(), d);
    if (std::memcmp(d, job.sourceDigest, 16) != 0) {
      job.warning = "no patch for " + job.file->name + ": " + job.oldPath.string() + " does not have its listed digest";
      return;
    }
    if ((long long)oldData.size() > kMaxPatchedFile || CompressedHeaderVersion(oldData.data()) != 0) return;
    if (!ReadRawFile((out / job.file->name).c_str(), newData)) {
      job.warning = "no patch for " + job.file->name + ": " + std::strerror(errno);
      return;
    }
    job.patch = MakePatch(oldData.data(), oldData.size(), newData.data(), newData.size());
    job.made = true;
  });
  return jobs;
}

// The patches offered, written into out/patchFolder: small enough, and one
// per source digest, since the launcher picks a patch by the digest of the
// player's copy alone.
bool OfferPatches(std::vector<PatchJob>& jobs, const fs::path& out, const std::string& patchFolder,
                  int thresholdPercent, std::vector<ReleasePatch>* patches, PublishSummary* summary,
                  std::string* error) {
  std::error_code ec;
  std::set<std::string> claimed;
  const fs::path patchDir = out / patchFolder;
  for (PatchJob& job : jobs) {
    if (!job.warning.empty()) summary->warnings.push_back(job.warning);
    if (!job.made) continue;
    const long long size = (long long)job.patch.size();
    if (size * 100 >= (long long)thresholdPercent * job.file->size) continue;
    const std::string source = DigestHex(job.sourceDigest);
    if (claimed.count(source)) continue;
    ReleasePatch p;
    std::memcpy(p.resultDigest, job.file->digest, 16);
    std::memcpy(p.sourceDigest, job.sourceDigest, 16);
    p.resultSize = job.file->size;
    char number[16];
    std::snprintf(number, sizeof number, "%05zu", patches->size() + 1);
    p.patchName = patchFolder + "/" + number + ".pat";
    p.targetName = job.file->name;
    if (FormatPatchLine(p).size() - 1 > kMaxListLine) {
      summary->warnings.push_back("no patch for " + job.file->name + ": its patch line would be too long");
      continue;
    }
    fs::create_directories(patchDir, ec);
    if (!WriteRawFile((out / p.patchName).c_str(), job.patch.data(), job.patch.size())) {
      *error = (out / p.patchName).string() + ": cannot be written: " + std::strerror(errno);
      return false;
    }
    claimed.insert(source);
    patches->push_back(p);
    summary->patches++;
    summary->patchBytes += size;
    summary->bytesSaved += job.file->size - size;
    std::vector<unsigned char>().swap(job.patch);
  }
  return true;
}

// master.lst with every file; updated.lst with what changed since the first
// previous release, and the patches.
bool WriteLists(const std::vector<SourceFile>& files, const std::vector<PreviousRelease>& previous,
                const std::vector<ReleasePatch>& patches, const fs::path& out, PublishSummary* summary,
                std::string* error) {
  std::string master, updated;
  for (const SourceFile& f : files) {
    ReleaseFile entry;
    entry.kind = f.kind;
    std::memcpy(entry.digest, f.digest, 16);
    entry.name = f.name;
    const std::string line = FormatFileLine(entry);
    master += line;
    if (!previous.empty()) {
      auto it = previous[0].files.find(f.name);
      if (it == previous[0].files.end() || it->second.kind != f.kind ||
          std::memcmp(it->second.digest, f.digest, 16) != 0) {
        updated += line;
        summary->updatedFiles++;
      }
    }
  }
  for (const ReleasePatch& p : patches) updated += FormatPatchLine(p);
  return WriteText(out / "master.lst", master, error) && WriteText(out / "updated.lst", updated, error);
}

// The Terms of Service given with --tos; without them and without the game's
// own, a warning.
bool WriteTerms(const PublishOptions& o, bool gameHasTos, const fs::path& out, PublishSummary* summary,
                std::string* error) {
  if (o.tosFile.empty()) {
    if (!gameHasTos)
      summary->warnings.push_back("no tos.txt (give --tos): the launcher cannot show the Terms of Service");
    return true;
  }
  std::vector<unsigned char> tos;
  if (!ReadRawFile(o.tosFile.c_str(), tos)) {
    *error = o.tosFile + ": " + std::strerror(errno);
    return false;
  }
  if (!WriteRawFile((out / "tos.txt").c_str(), tos.data(), tos.size())) {
    *error = (out / "tos.txt").string() + ": cannot be written: " + std::strerror(errno);
    return false;
  }
  return true;
}

}  // namespace

bool PublishRelease(const PublishOptions& o, PublishSummary* summary, std::string* error) {
  const auto start = std::chrono::steady_clock::now();
  const int threads = o.threads > 0 ? o.threads : std::max(1, int(std::thread::hardware_concurrency()));
  *summary = PublishSummary();

  fs::path game;
  if (!CheckPlaces(o, &game, error)) return false;
  KindRules rules;
  if (!o.rulesFile.empty() && !rules.Load(o.rulesFile, error)) return false;
  std::vector<PreviousRelease> previous(o.previous.size());
  for (size_t i = 0; i < o.previous.size(); ++i)
    if (!ReadPrevious(o.previous[i], &previous[i], error)) return false;

  std::vector<SourceFile> files;
  if (!CollectFiles(game, &files, error)) return false;
  if (files.empty()) {
    *error = "the game directory " + o.gameDir + " holds no files";
    return false;
  }
  bool gameHasTos = false;
  for (const SourceFile& f : files) gameHasTos |= f.name == "tos.txt";
  if (o.withLauncher && !AddLauncherAndSkin(o, &files, error)) return false;
  std::string patchFolder;
  if (!CheckNames(files, !o.tosFile.empty(), o.linuxOnly, &patchFolder, &summary->warnings, error)) return false;
  std::sort(files.begin(), files.end(), [](const SourceFile& a, const SourceFile& b) { return a.name < b.name; });
  for (SourceFile& f : files) f.kind = rules.KindOf(f.name);

  StagedDirectory staged;
  if (!staged.Begin(o.releaseDir, "master.lst", error)) return false;
  const fs::path out(staged.path());
  if (!CopyAndDigest(files, out, threads, summary, error)) return false;
  std::vector<PatchJob> jobs = MakePatches(files, previous, out, threads);
  std::vector<ReleasePatch> patches;
  if (!OfferPatches(jobs, out, patchFolder, o.patchThresholdPercent, &patches, summary, error)) return false;
  if (!WriteLists(files, previous, patches, out, summary, error)) return false;
  if (!WriteTerms(o, gameHasTos, out, summary, error)) return false;

  if (!staged.Commit(error)) return false;
  summary->seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return true;
}
