#include "gfx_test_support.h"

#include <filesystem>

std::string ScratchDir(const std::string& name) {
  std::filesystem::path p = std::filesystem::path(QUORVEL_BINARY_DIR) / "gfx-scratch" / name;
  std::filesystem::remove_all(p);
  std::filesystem::create_directories(p);
  return p.string();
}
