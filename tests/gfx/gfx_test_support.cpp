#include "gfx_test_support.h"

#include <filesystem>
#include <fstream>
#include <iterator>

std::string ScratchDir(const std::string& name) {
  std::filesystem::path p = std::filesystem::path(QUORVEL_BINARY_DIR) / "gfx-scratch" / name;
  std::filesystem::remove_all(p);
  std::filesystem::create_directories(p);
  return p.string();
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}
