#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "platform/known_folders.h"
#include "platform/platform_log.h"
#include "platform/settings_store.h"

struct SettingsKeyHandle {
  std::string path;
};

namespace {
constexpr const char* kShellFoldersKey =
    "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr const char* kCurrentVersionKey = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion";

bool SameText(const std::string& a, const char* b) { return strcasecmp(a.c_str(), b) == 0; }

bool IsWellKnownKey(const std::string& path) {
  return SameText(path, kShellFoldersKey) || SameText(path, kCurrentVersionKey);
}

// The canonical path of a handle; "" when the handle is not one.
std::string HandlePath(HKEY key) {
  if (key == HKEY_CURRENT_USER) return kHiveCurrentUser;
  if (key == HKEY_LOCAL_MACHINE) return kHiveLocalMachine;
  return key ? key->path : std::string();
}

bool IsHive(const std::string& path) { return path.find('\\') == std::string::npos; }

// mkdir -p, each level created 0700 (the XDG base directory rules ask
// that of $XDG_CONFIG_HOME too).
bool MakeFolders(const std::string& dir) {
  if (dir.empty()) return true;
  struct stat st;
  if (stat(dir.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
  size_t slash = dir.find_last_of('/');
  if (slash != std::string::npos && slash > 0 && !MakeFolders(dir.substr(0, slash))) return false;
  return mkdir(dir.c_str(), 0700) == 0 || errno == EEXIST;
}

std::string FolderOf(const std::string& path) {
  size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// Reads at most kSettingsMaxFileBytes of an open file.
bool ReadAll(int fd, std::string& out, bool& truncated) {
  out.clear();
  truncated = false;
  char buf[65536];
  off_t offset = 0;
  for (;;) {
    ssize_t n = pread(fd, buf, sizeof buf, offset);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) return true;
    offset += n;
    size_t room = kSettingsMaxFileBytes - out.size();
    if (size_t(n) > room) {
      out.append(buf, room);
      truncated = true;
      return true;
    }
    out.append(buf, size_t(n));
  }
}

bool WriteAll(int fd, const std::string& data) {
  size_t done = 0;
  while (done < data.size()) {
    ssize_t n = write(fd, data.data() + done, data.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += size_t(n);
  }
  return true;
}

// One line per damaged file content, however often it is read.
void ReportDamage(const std::string& path, const struct stat& st, const SettingsParseResult& parsed) {
  static std::mutex mutex;
  static dev_t lastDev = 0;
  static ino_t lastIno = 0;
  static timespec lastTime{};
  static off_t lastSize = -1;
  std::lock_guard<std::mutex> lock(mutex);
  if (st.st_dev == lastDev && st.st_ino == lastIno && st.st_mtim.tv_sec == lastTime.tv_sec &&
      st.st_mtim.tv_nsec == lastTime.tv_nsec && st.st_size == lastSize)
    return;
  lastDev = st.st_dev;
  lastIno = st.st_ino;
  lastTime = st.st_mtim;
  lastSize = st.st_size;
  PlatLog("settings store %s is damaged: %zu unreadable line(s) dropped%s; the readable entries are kept", path.c_str(),
          parsed.droppedLines, parsed.truncated ? ", and everything after the first 8 MB" : "");
}

// The store file opened and locked; the lock is on the inode the path names
// at the moment the lock is held, so a rename by another writer is noticed.
class LockedFile {
 public:
  ~LockedFile() {
    if (fd_ >= 0) close(fd_);  // releases the flock
  }
  // Returns ERROR_SUCCESS, or ERROR_FILE_NOT_FOUND for a missing file when
  // not creating.
  long Open(const std::string& path, bool exclusive) {
    for (int attempt = 0; attempt < 1000; ++attempt) {
      fd_ = open(path.c_str(), (exclusive ? O_RDWR | O_CREAT : O_RDONLY) | O_CLOEXEC | O_NOFOLLOW, 0600);
      if (fd_ < 0) {
        if (errno == ENOENT && !exclusive) return ERROR_FILE_NOT_FOUND;
        return errno == EACCES || errno == EPERM ? ERROR_ACCESS_DENIED : ERROR_CANTWRITE;
      }
      while (flock(fd_, exclusive ? LOCK_EX : LOCK_SH) != 0) {
        if (errno != EINTR) return ERROR_CANTWRITE;
      }
      struct stat byPath;
      if (fstat(fd_, &stat_) != 0) return ERROR_CANTWRITE;
      if (stat(path.c_str(), &byPath) == 0 && byPath.st_dev == stat_.st_dev && byPath.st_ino == stat_.st_ino)
        return ERROR_SUCCESS;
      close(fd_);  // replaced (or removed) while we waited: lock the new one
      fd_ = -1;
    }
    return ERROR_CANTWRITE;
  }
  int fd() const { return fd_; }
  const struct stat& status() const { return stat_; }

 private:
  int fd_ = -1;
  struct stat stat_ {};
};

long ReadLocked(const std::string& path, const LockedFile& file, SettingsParseResult& parsed) {
  std::string bytes;
  bool truncated = false;
  if (!ReadAll(file.fd(), bytes, truncated)) return ERROR_CANTWRITE;
  parsed = ParseSettingsText(bytes, truncated);
  if (parsed.damaged()) ReportDamage(path, file.status(), parsed);
  return ERROR_SUCCESS;
}

// Keeps the damaged file's bytes beside the store before it is replaced.
void KeepDamagedCopy(const std::string& path) {
  const std::string bad = path + ".bad";
  unlink(bad.c_str());
  if (link(path.c_str(), bad.c_str()) == 0) return;
  // No hard links here: copy it.
  int in = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  int out = open(bad.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (in >= 0 && out >= 0) {
    char buf[65536];
    ssize_t n;
    while ((n = read(in, buf, sizeof buf)) > 0)
      if (write(out, buf, size_t(n)) != n) break;
    fsync(out);
  }
  if (in >= 0) close(in);
  if (out >= 0) close(out);
}

long WriteReplacing(const std::string& path, const std::string& text) {
  const std::string tmp = path + ".tmp";
  // Only a writer holding the lock uses the temporary name, so one that is
  // there now was left by a writer that died.
  unlink(tmp.c_str());
  int fd = open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) return errno == EACCES || errno == EPERM ? ERROR_ACCESS_DENIED : ERROR_CANTWRITE;
  bool ok = fchmod(fd, 0600) == 0 && WriteAll(fd, text) && fsync(fd) == 0;
  ok = close(fd) == 0 && ok;
  if (!ok || rename(tmp.c_str(), path.c_str()) != 0) {
    unlink(tmp.c_str());
    return ERROR_CANTWRITE;
  }
  int dir = open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    fsync(dir);
    close(dir);
  }
  return ERROR_SUCCESS;
}

HKEY NewHandle(const std::string& path) { return new SettingsKeyHandle{path}; }
}  // namespace

namespace {
std::string g_storeOverride;
}  // namespace

void UseSettingsStoreFile(const std::string& path) { g_storeOverride = path; }

std::string SettingsStorePath() {
  if (!g_storeOverride.empty()) return g_storeOverride;
  if (const char* file = std::getenv("QUORVEL_REGISTRY"); file && *file) return file;
  const std::string config = KnownFolderPath(KnownFolder::kConfig);
  return (config.empty() ? std::string(".") : config) + "/quorvel-online/settings.txt";
}

std::string SettingsKeyPath(HKEY key) { return HandlePath(key); }

bool WellKnownSettingsValue(const std::string& keyPath, const std::string& name, std::string& value) {
  if (SameText(keyPath, kCurrentVersionKey) && SameText(name, "ProgramFilesDir")) {
    value = KnownFolderPath(KnownFolder::kProgramFiles);
    return true;
  }
  if (SameText(keyPath, kShellFoldersKey) && SameText(name, "Start Menu")) {
    value = KnownFolderPath(KnownFolder::kStartMenu);
    return true;
  }
  if (SameText(keyPath, kShellFoldersKey) && SameText(name, "Desktop")) {
    value = KnownFolderPath(KnownFolder::kDesktop);
    return true;
  }
  return false;
}

long ReadSettingsStore(SettingsTree& tree) {
  const std::string path = SettingsStorePath();
  LockedFile file;
  long status = file.Open(path, false);
  if (status == ERROR_FILE_NOT_FOUND) {
    tree = SettingsTree();
    return ERROR_SUCCESS;
  }
  if (status != ERROR_SUCCESS) return status;
  SettingsParseResult parsed;
  status = ReadLocked(path, file, parsed);
  if (status == ERROR_SUCCESS) tree = std::move(parsed.tree);
  return status;
}

long UpdateSettingsStore(const std::function<bool(SettingsTree& tree, long& status)>& change) {
  const std::string path = SettingsStorePath();
  if (!MakeFolders(FolderOf(path))) return ERROR_PATH_NOT_FOUND;
  LockedFile file;
  long status = file.Open(path, true);
  if (status != ERROR_SUCCESS) return status;
  SettingsParseResult parsed;
  status = ReadLocked(path, file, parsed);
  if (status != ERROR_SUCCESS) return status;
  status = ERROR_SUCCESS;
  if (!change(parsed.tree, status)) return status;
  if (parsed.damaged()) KeepDamagedCopy(path);
  return WriteReplacing(path, FormatSettingsText(parsed.tree));
}

long RegOpenKeyExA(HKEY parent, const char* subKey, DWORD options, DWORD access, HKEY* result) {
  if (!result) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  const std::string base = HandlePath(parent);
  if (base.empty()) return ERROR_INVALID_HANDLE;
  const std::string path = JoinSettingsPath(base, subKey ? subKey : "");
  if (path.empty()) return ERROR_INVALID_PARAMETER;
  if (!IsHive(path) && !IsWellKnownKey(path)) {
    SettingsTree tree;
    long status = ReadSettingsStore(tree);
    if (status != ERROR_SUCCESS) return status;
    if (!tree.Exists(path)) return ERROR_FILE_NOT_FOUND;
  }
  *result = NewHandle(path);
  return ERROR_SUCCESS;
}

long RegCreateKeyA(HKEY parent, const char* subKey, HKEY* result) {
  if (!result) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  const std::string base = HandlePath(parent);
  if (base.empty()) return ERROR_INVALID_HANDLE;
  const std::string path = JoinSettingsPath(base, subKey ? subKey : "");
  if (path.empty()) return ERROR_INVALID_PARAMETER;
  if (!IsHive(path)) {
    long status = UpdateSettingsStore([&](SettingsTree& tree, long&) {
      if (tree.Exists(path)) return false;
      tree.Create(path);
      return true;
    });
    if (status != ERROR_SUCCESS) return status;
  }
  *result = NewHandle(path);
  return ERROR_SUCCESS;
}

long RegQueryValueExA(HKEY key, const char* name, DWORD* reserved, DWORD* type, unsigned char* data, DWORD* dataSize) {
  const std::string path = HandlePath(key);
  if (path.empty()) return ERROR_INVALID_HANDLE;
  if (data && !dataSize) return ERROR_INVALID_PARAMETER;
  const std::string valueName = name ? name : "";
  SettingsValue value;
  std::string known;
  if (WellKnownSettingsValue(path, valueName, known)) {
    value.type = kSettingsString;
    value.text = known;
  } else {
    SettingsTree tree;
    long status = ReadSettingsStore(tree);
    if (status != ERROR_SUCCESS) return status;
    const SettingsKey* k = tree.Find(path);
    if (!k) return IsHive(path) || IsWellKnownKey(path) ? ERROR_FILE_NOT_FOUND : ERROR_KEY_DELETED;
    const SettingsValue* v = k->Find(valueName);
    if (!v) return ERROR_FILE_NOT_FOUND;
    value = *v;
  }
  const DWORD needed = value.type == kSettingsDword ? 4 : DWORD(value.text.size() + 1);
  if (type) *type = value.type;
  if (!data) {
    if (dataSize) *dataSize = needed;
    return ERROR_SUCCESS;
  }
  if (*dataSize < needed) {
    *dataSize = needed;
    return ERROR_MORE_DATA;
  }
  if (value.type == kSettingsDword) {
    std::memcpy(data, &value.dword, 4);
  } else {
    std::memcpy(data, value.text.data(), value.text.size());
    data[value.text.size()] = '\0';
  }
  *dataSize = needed;
  return ERROR_SUCCESS;
}

long RegSetValueExA(HKEY key, const char* name, DWORD reserved, DWORD type, const unsigned char* data, DWORD size) {
  const std::string path = HandlePath(key);
  if (path.empty()) return ERROR_INVALID_HANDLE;
  if (IsHive(path)) return ERROR_ACCESS_DENIED;  // values live in keys
  SettingsValue value;
  value.name = name ? name : "";
  if (value.name.size() > kSettingsMaxNameBytes) return ERROR_INVALID_PARAMETER;
  if (size && !data) return ERROR_INVALID_PARAMETER;
  if (type == REG_SZ) {
    value.type = kSettingsString;
    const char* text = reinterpret_cast<const char*>(data);
    value.text.assign(text ? text : "", text ? strnlen(text, size) : 0);
    if (value.text.size() > kSettingsMaxStringBytes) return ERROR_INVALID_PARAMETER;
  } else if (type == REG_DWORD) {
    if (size != 4) return ERROR_INVALID_PARAMETER;
    value.type = kSettingsDword;
    std::memcpy(&value.dword, data, 4);
  } else {
    return ERROR_INVALID_PARAMETER;
  }
  return UpdateSettingsStore([&](SettingsTree& tree, long& status) {
    SettingsKey* k = tree.Find(path);
    if (!k) {
      if (!IsWellKnownKey(path)) {
        status = ERROR_KEY_DELETED;
        return false;
      }
      k = &tree.Create(path);
    }
    k->Set(value);
    return true;
  });
}

long RegDeleteValueA(HKEY key, const char* name) {
  const std::string path = HandlePath(key);
  if (path.empty()) return ERROR_INVALID_HANDLE;
  const std::string valueName = name ? name : "";
  return UpdateSettingsStore([&](SettingsTree& tree, long& status) {
    SettingsKey* k = tree.Find(path);
    if (!k || !k->Erase(valueName)) {
      status = ERROR_FILE_NOT_FOUND;
      return false;
    }
    return true;
  });
}

long RegDeleteKeyA(HKEY parent, const char* subKey) {
  const std::string base = HandlePath(parent);
  if (base.empty()) return ERROR_INVALID_HANDLE;
  const std::string path = JoinSettingsPath(base, subKey ? subKey : "");
  if (path.empty()) return ERROR_INVALID_PARAMETER;
  if (IsHive(path)) return ERROR_ACCESS_DENIED;
  return UpdateSettingsStore([&](SettingsTree& tree, long& status) {
    if (!tree.EraseWithSubkeys(path)) {
      status = ERROR_FILE_NOT_FOUND;
      return false;
    }
    return true;
  });
}

long RegCloseKey(HKEY key) {
  if (key == HKEY_CURRENT_USER || key == HKEY_LOCAL_MACHINE) return ERROR_SUCCESS;
  if (!key) return ERROR_INVALID_HANDLE;
  delete key;
  return ERROR_SUCCESS;
}
