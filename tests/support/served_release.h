// A game release as an operator publishes it, served on loopback (by nginx
// unless another server is named):
// game folders made from a table of files, `quorvel-tool publish` into
// releases/NAME, "krnx" and "zeph4" switched to a release with one rename each
// (the alternate server serves the same release), and `quorvel-tool package`
// for an installation package. Errors are returned as text ("" when fine) so
// a test can ASSERT_EQ(..., "").
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "support/peers.h"
#include "support/temp_dir.h"

// Relative path (with "/") to contents.
using GameFiles = std::map<std::string, std::string>;

// A file of size bytes, zeros but for pieces (offset to bytes), written
// sparse: files of several GB cost the disk next to nothing.
struct SparseFile {
  long long size = 0;
  std::map<long long, std::string> pieces;
};
using SparseFiles = std::map<std::string, SparseFile>;
// Writes file at path (its folders made); "" when fine.
std::string WriteSparseFile(const std::string& path, const SparseFile& file);

// Deterministic bytes from a seed: a file made from the same seed is always
// the same, and different seeds give unrelated contents.
std::string GameBytes(const std::string& seed, size_t size);

// A small game: the stand-in "quorvel1.exe" (the demo game), "version.txt",
// a deck, the catalogues and a few data files, some large enough to patch.
GameFiles SmallGame(const std::string& version);

class ServedRelease {
 public:
  explicit ServedRelease(WebServerKind kind = WebServerKind::kNginx);
  // Starts the server over the site folder.
  std::string Start();
  // Writes files (and the demo game as "quorvel1.exe" unless files name it)
  // into a fresh game folder and publishes it as releases/name, with patches
  // from the previous releases named. "decks/*" is create-once. Its files are
  // dated a minute after those of the release published before it.
  std::string Publish(const std::string& name, const GameFiles& files, const std::vector<std::string>& previous = {},
                      const std::string& terms = "Terms of the test release.\n", const SparseFiles& sparse = {});
  // Later releases may hold names no Windows player can install.
  void PublishLinuxOnly() { linux_only_ = true; }
  // Moves the modification time of every file of a published release back by
  // seconds.
  std::string Backdate(const std::string& name, int seconds);
  // Points the served addresses at a published release.
  std::string Serve(const std::string& name);
  // An installation package of a published release in dir; "" when fine.
  std::string Package(const std::string& name, const std::string& dir);

  // A finished installation of a published release without the installer's
  // screens: the game's files (everything the release serves but its lists,
  // terms and patches) copied into dir, which the settings store in
  // registryFile then names as the installation directory; "" when fine.
  std::string InstallCopy(const std::string& name, const std::string& dir, const std::string& registryFile);

  // "http://127.0.0.1:PORT/"
  std::string base() const;
  std::string release(const std::string& name) const { return root_ / ("releases/" + name); }
  std::string site() const { return root_ / "site"; }
  const std::string& root() const { return root_.path(); }
  WebServerPeer& server() { return *server_; }

 private:
  TempDir root_;
  std::unique_ptr<WebServerPeer> server_;
  int published_ = 0;
  bool linux_only_ = false;
};
