#include "tool/tool_paths.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

std::string ToolDirectory() {
  std::error_code ec;
  const fs::path self = fs::canonical("/proc/self/exe", ec);
  return ec ? std::string() : self.parent_path().string();
}

std::string DefaultLauncherPath() {
  const std::string dir = ToolDirectory();
  return dir.empty() ? std::string() : (fs::path(dir) / "quorvel.exe").string();
}

std::string DefaultAssetsDir() {
  if (const char* env = std::getenv("QUORVEL_ASSETS_DIR"); env && *env) return env;
  std::error_code ec;
  const std::string dir = ToolDirectory();
  if (!dir.empty() && fs::is_regular_file(fs::path(dir) / "assets" / "zindimgs" / "txtr.ctl", ec))
    return (fs::path(dir) / "assets").string();
#ifdef QUORVEL_ASSETS_DIR
  return QUORVEL_ASSETS_DIR;
#else
  return "assets";
#endif
}
