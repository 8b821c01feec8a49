#include "tool/release_fixture.h"

#include <filesystem>
#include <random>
#include <sstream>

#include "support/files.h"
#include "transport/md5.h"

namespace fs = std::filesystem;

ProcessResult Tool(const std::vector<std::string>& args, const std::vector<std::string>& env) {
  return RunTool(args, "", {}, env);
}

void WriteTree(const std::string& dir, const FileMap& files) {
  for (const auto& [name, data] : files) {
    WriteFileText((fs::path(dir) / name).string(), data);
  }
}

FileMap ReadTree(const std::string& dir) {
  FileMap out;
  for (const fs::directory_entry& e : fs::recursive_directory_iterator(dir)) {
    if (!e.is_regular_file()) continue;
    out[e.path().lexically_relative(dir).generic_string()] = ReadFileText(e.path().string());
  }
  return out;
}

std::string Md5Hex(const std::string& data) {
  unsigned char d[kMD5Size];
  MD5OfBytes(data.data(), data.size(), d);
  char hex[2 * kMD5Size + 1];
  MD5ToHex(d, hex);
  return hex;
}

std::string Noise(size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  std::string s(n, '\0');
  for (char& c : s) c = char(rng());
  return s;
}

std::vector<std::string> ParseList(const std::string& path) {
  ProcessResult r = Tool({"list", "parse", path});
  std::vector<std::string> lines;
  std::istringstream in(r.out);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::map<std::string, std::string> ListedFiles(const std::string& path) {
  std::map<std::string, std::string> out;
  for (const std::string& line : ParseList(path))
    if (line.size() > 35 && line[0] != 'p') out[line.substr(35)] = line.substr(0, 34);
  return out;
}

std::vector<ParsedPatch> ListedPatches(const std::string& path) {
  std::vector<ParsedPatch> out;
  for (const std::string& line : ParseList(path)) {
    if (line[0] != 'p') continue;
    std::istringstream in(line.substr(2));
    ParsedPatch p;
    in >> p.result >> p.source >> p.size >> p.patch;
    std::getline(in, p.target);
    p.target.erase(0, 1);
    out.push_back(p);
  }
  return out;
}

std::vector<std::string> EntriesStartingWith(const std::string& dir, const std::string& prefix) {
  std::vector<std::string> out;
  for (const fs::directory_entry& e : fs::directory_iterator(dir)) {
    const std::string name = e.path().filename().string();
    if (name.rfind(prefix, 0) == 0) out.push_back(name);
  }
  return out;
}
