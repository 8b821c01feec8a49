#include "support/served_release.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>

#include "support/files.h"
#include "support/process.h"

namespace fs = std::filesystem;

namespace {

// Moves the modification time of every file under dir by delta.
std::string ShiftTimes(const std::string& dir, std::chrono::seconds delta) {
  std::error_code ec;
  for (fs::recursive_directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    if (!it->is_regular_file()) continue;
    const fs::file_time_type t = fs::last_write_time(it->path(), ec);
    if (!ec) fs::last_write_time(it->path(), t + delta, ec);
    if (ec) return "retime " + it->path().string() + ": " + ec.message();
  }
  return ec ? "retime " + dir + ": " + ec.message() : "";
}

std::string ToolError(const char* what, const ProcessResult& r) {
  if (r.exitCode == 0) return "";
  return std::string(what) + " failed (exit " + std::to_string(r.exitCode) + "): " + r.err + r.out;
}

}  // namespace

std::string GameBytes(const std::string& seed, size_t size) {
  std::string out(size, '\0');
  unsigned long long state = 1469598103934665603ull;
  for (char c : seed) state = (state ^ static_cast<unsigned char>(c)) * 1099511628211ull;
  for (size_t i = 0; i < size; ++i) {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    out[i] = static_cast<char>(state >> 56);
  }
  return out;
}

GameFiles SmallGame(const std::string& version) {
  GameFiles files;
  files["version.txt"] = version + "\n";
  files["decks/starter.deck"] = "starter deck\n";
  for (int i = 0; i < 12; ++i) {
    const std::string name = "data/file" + std::to_string(i) + ".dat";
    files[name] = GameBytes(name, 3000 + 1500 * i);
  }
  // A large file changed in the middle from one version to the next, so the
  // next release carries it as a patch.
  std::string big = GameBytes("data/big.dat", 300000);
  if (version != "1.0") big.replace(150000, version.size(), version);
  files["data/big.dat"] = big;
  return files;
}

ServedRelease::ServedRelease(WebServerKind kind) : server_(MakeWebServer(kind)) {
  fs::create_directories(root_ / "site");
  fs::create_directories(root_ / "releases");
  WriteFileText(root_ / "rules", "C decks/*\n");
}

std::string ServedRelease::Start() { return server_->Start(site()); }

std::string ServedRelease::base() const { return "http://127.0.0.1:" + std::to_string(server_->port()) + "/"; }

std::string WriteSparseFile(const std::string& path, const SparseFile& file) {
  std::error_code ec;
  fs::create_directories(fs::path(path).parent_path(), ec);
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    for (const auto& [at, bytes] : file.pieces) {
      out.seekp(at);
      out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    if (!out) return "write " + path;
  }
  fs::resize_file(path, static_cast<uintmax_t>(file.size), ec);
  return ec ? "resize " + path + ": " + ec.message() : "";
}

std::string ServedRelease::Publish(const std::string& name, const GameFiles& files,
                                   const std::vector<std::string>& previous, const std::string& terms,
                                   const SparseFiles& sparse) {
  const std::string game = root_ / ("games/" + name);
  std::error_code ec;
  fs::remove_all(game, ec);
  fs::create_directories(game);
  if (!files.count("quorvel1.exe")) fs::copy_file(QUORVEL_DEMO_GAME, game + "/quorvel1.exe");
  for (const char* cat : {"DEUTSCH.CAT", "FRANCAIS.CAT"})
    if (!files.count(cat)) fs::copy_file(fs::path(QUORVEL_SOURCE_DIR) / "assets" / cat, fs::path(game) / cat);
  for (const auto& [path, contents] : files) WriteFileText(game + "/" + path, contents);
  for (const auto& [path, file] : sparse)
    if (std::string e = WriteSparseFile(game + "/" + path, file); !e.empty()) return e;
  const std::string tos = root_ / ("tos-" + name + ".txt");
  WriteFileText(tos, terms);
  std::vector<std::string> args{"publish", game, release(name), "--rules", root_ / "rules", "--tos", tos};
  for (const std::string& p : previous) args.insert(args.end(), {"--previous", release(p)});
  if (linux_only_) args.push_back("--linux-only");
  if (std::string e = ToolError("publish", RunTool(args)); !e.empty()) return e;
  // Each release is dated a minute after the one published before it, all
  // in the past: two releases published within the same second would
  // otherwise carry the same Last-Modified, and a conditional request for
  // the newer one's lists would be answered 304.
  const auto stamp = std::chrono::time_point_cast<fs::file_time_type::duration>(
      fs::file_time_type::clock::now() - std::chrono::hours(24) + std::chrono::minutes(published_++));
  ec.clear();
  for (fs::recursive_directory_iterator it(release(name), ec), end; !ec && it != end; it.increment(ec))
    if (it->is_regular_file()) fs::last_write_time(it->path(), stamp, ec);
  return ec ? "date " + release(name) + ": " + ec.message() : "";
}

std::string ServedRelease::Serve(const std::string& name) {
  for (const char* path : {"krnx", "zeph4"}) {
    const fs::path link = fs::path(site()) / path;
    const fs::path fresh = fs::path(site()) / (std::string(path) + ".new");
    std::error_code ec;
    fs::remove(fresh, ec);
    fs::create_directory_symlink(fs::path("../releases") / name, fresh, ec);
    if (ec) return "link " + fresh.string() + ": " + ec.message();
    fs::rename(fresh, link, ec);
    if (ec) return "rename " + link.string() + ": " + ec.message();
  }
  // A server that caches what it knows of a file answers for the old release
  // until that has run out.
  if (server_->running()) std::this_thread::sleep_for(std::chrono::milliseconds(server_->StatCacheMs()));
  return "";
}

std::string ServedRelease::Backdate(const std::string& name, int seconds) {
  return ShiftTimes(release(name), -std::chrono::seconds(seconds));
}

std::string ServedRelease::Package(const std::string& name, const std::string& dir) {
  return ToolError("package", RunTool({"package", release(name), dir}));
}

std::string ServedRelease::InstallCopy(const std::string& name, const std::string& dir,
                                       const std::string& registryFile) {
  std::error_code ec;
  fs::create_directories(dir, ec);
  if (ec) return "create " + dir + ": " + ec.message();
  for (const fs::directory_entry& e : fs::directory_iterator(release(name))) {
    const std::string leaf = e.path().filename().string();
    if (leaf == "master.lst" || leaf == "updated.lst" || leaf == "tos.txt" || leaf == "patches") continue;
    fs::copy(e.path(), fs::path(dir) / leaf, fs::copy_options::recursive | fs::copy_options::overwrite_existing, ec);
    if (ec) return "copy " + e.path().string() + ": " + ec.message();
  }
  const std::string slashed = dir.back() == '/' ? dir : dir + "/";
  return ToolError("settings set", RunTool({"settings", "set", "HKEY_CURRENT_USER\\Software\\Quorvel Online",
                                            "InstallationDirectory", slashed},
                                           "", {}, {"QUORVEL_REGISTRY=" + registryFile}));
}
