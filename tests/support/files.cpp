#include "support/files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace {
void WriteAll(const std::string& path, const char* data, size_t size) {
  std::error_code ec;
  const std::filesystem::path parent = std::filesystem::path(path).parent_path();
  if (!parent.empty()) std::filesystem::create_directories(parent, ec);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(data, std::streamsize(size));
  out.close();
  if (!out) ADD_FAILURE() << "cannot write " << path;
}
}  // namespace

std::string ReadFileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<uint8_t> ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFileText(const std::string& path, const std::string& text) { WriteAll(path, text.data(), text.size()); }

void WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  WriteAll(path, reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

bool FileExists(const std::string& path) {
  std::error_code ec;
  return std::filesystem::exists(path, ec);
}
