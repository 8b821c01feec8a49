// A scratch home for a launcher run: the skin copied into the folder the
// program starts in, and every per-user place (settings store, lock, menu,
// desktop) inside that folder, so runs neither touch the user's files nor
// see each other's lock.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "support/process.h"

inline std::vector<std::string> ScratchLauncherEnv(const TempDir& dir) {
  namespace fs = std::filesystem;
  fs::copy(fs::path(QUORVEL_SOURCE_DIR) / "assets" / "zindimgs", fs::path(dir.path()) / "zindimgs",
           fs::copy_options::recursive | fs::copy_options::overwrite_existing);
  fs::create_directories(dir / "run");
  return {"QUORVEL_REGISTRY=" + dir / "settings.txt", "XDG_RUNTIME_DIR=" + dir / "run",
          "XDG_DATA_HOME=" + dir / "share", "XDG_CONFIG_HOME=" + dir / "config", "HOME=" + dir.path()};
}
