#include <pwd.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/known_folders.h"

namespace {
// An environment variable that names an absolute path (the XDG base directory
// rules ignore relative ones); "" otherwise.
std::string AbsoluteEnv(const char* name) {
  const char* v = std::getenv(name);
  if (!v || v[0] != '/') return "";
  std::string s(v);
  while (s.size() > 1 && s.back() == '/') s.pop_back();
  return s;
}

std::string ReadSmallFile(const std::string& path) {
  std::string out;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return out;
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0 && out.size() < (1u << 20)) out.append(buf, n);
  std::fclose(f);
  return out;
}

std::string DataHome() {
  std::string d = AbsoluteEnv("XDG_DATA_HOME");
  if (!d.empty()) return d;
  const std::string home = HomeFolder();
  return home.empty() ? "" : home + "/.local/share";
}

std::string ConfigHome() {
  std::string d = AbsoluteEnv("XDG_CONFIG_HOME");
  if (!d.empty()) return d;
  const std::string home = HomeFolder();
  return home.empty() ? "" : home + "/.config";
}

std::string TemporaryFolder() {
  for (const char* name : {"TMPDIR", "TEMP", "TMP"}) {
    const char* v = std::getenv(name);
    if (v && *v) {
      std::string s(v);
      while (s.size() > 1 && s.back() == '/') s.pop_back();
      return s;
    }
  }
  return "/tmp";
}
}  // namespace

std::string HomeFolder() {
  const char* home = std::getenv("HOME");
  if (home && *home) return home;
  std::vector<char> buf(16384);
  passwd pw, *found = nullptr;
  if (getpwuid_r(getuid(), &pw, buf.data(), buf.size(), &found) == 0 && found && found->pw_dir) return found->pw_dir;
  return "";
}

std::string ParseUserDirsEntry(std::string_view text, std::string_view name, std::string_view home) {
  std::string result;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    size_t first = line.find_first_not_of(" \t");
    if (first == std::string_view::npos || line[first] == '#') continue;
    line.remove_prefix(first);
    if (line.substr(0, name.size()) != name || line.substr(name.size(), 2) != "=\"") continue;
    line.remove_prefix(name.size() + 2);
    size_t close = line.find('"');
    if (close == std::string_view::npos) continue;
    std::string_view value = line.substr(0, close);
    if (value.substr(0, 5) == "$HOME" && (value.size() == 5 || value[5] == '/')) {
      result = std::string(home) + std::string(value.substr(5));
    } else if (!value.empty() && value[0] == '/') {
      result = std::string(value);
    } else {
      result.clear();  // a later malformed assignment overrides an earlier good one, as the shell would
    }
  }
  while (result.size() > 1 && result.back() == '/') result.pop_back();
  return result;
}

std::string KnownFolderPath(KnownFolder folder) {
  switch (folder) {
    case KnownFolder::kProgramFiles: return DataHome();
    case KnownFolder::kStartMenu: {
      const std::string d = DataHome();
      return d.empty() ? "" : d + "/applications";
    }
    case KnownFolder::kDesktop: {
      const std::string home = HomeFolder();
      const std::string config = ConfigHome();
      if (!config.empty()) {
        std::string d = ParseUserDirsEntry(ReadSmallFile(config + "/user-dirs.dirs"), "XDG_DESKTOP_DIR", home);
        // user-dirs.dirs names the home folder itself when the desktop is disabled.
        if (!d.empty() && d != home) return d;
      }
      return home.empty() ? "" : home + "/Desktop";
    }
    case KnownFolder::kConfig: return ConfigHome();
    case KnownFolder::kRuntime: {
      std::string d = AbsoluteEnv("XDG_RUNTIME_DIR");
      if (!d.empty() && access(d.c_str(), W_OK | X_OK) == 0) return d;
      return TemporaryFolder();
    }
    case KnownFolder::kTemporary: return TemporaryFolder();
  }
  return "";
}
