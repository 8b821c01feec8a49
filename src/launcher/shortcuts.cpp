#include "launcher/shortcuts.h"

#include <cstdio>

#include "launcher/launcher_globals.h"
#include "platform/directory_maintenance.h"
#include "platform/filesystem.h"
#include "platform/settings_store.h"
#include "platform/shell.h"

const char* kStartMenuSubfolder = "Programs/Tellurant/Brasklund Online";

void AddShortcut(ArrayCollection<ShortcutInfoStruct>& list, const char* file, const char* name, const char* arguments) {
  auto* shortcut = new ShortcutInfoStruct{};
  std::snprintf(shortcut->file, sizeof shortcut->file, "%s", file ? file : "");
  std::snprintf(shortcut->name, sizeof shortcut->name, "%s", name ? name : "");
  std::snprintf(shortcut->arguments, sizeof shortcut->arguments, "%s", arguments ? arguments : "");
  list.Add(shortcut);
}

void FreeShortcuts(ArrayCollection<ShortcutInfoStruct>& list) {
  for (int i = 0; i < list.Count(); ++i) delete list.Get(i);
  list.Clear();
}

void LoadShortcuts() {
  FreeShortcuts(*DesktopShortcuts);
  FreeShortcuts(*StartMenuShortcuts);
  AddShortcut(*DesktopShortcuts, "quorvel.exe", "Quorvel Online", "");
  AddShortcut(*StartMenuShortcuts, "quorvel.exe", "Quorvel Online", "");
  AddShortcut(*StartMenuShortcuts, "quorvel.exe", "Uninstall Quorvel Online", "-u");
  AddShortcut(*StartMenuShortcuts, "readme.txt", "Readme", "");
}

namespace {

std::string ShellFolder(const char* name) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", 0,
                    KEY_READ, &key) != ERROR_SUCCESS)
    return "";
  char value[260] = {};
  DWORD type = 0, length = sizeof value - 1;
  if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<unsigned char*>(value), &length) != ERROR_SUCCESS ||
      type != REG_SZ)
    value[0] = 0;
  RegCloseKey(key);
  value[sizeof value - 1] = 0;
  return value;
}

ShellLink LinkOf(const ShortcutInfoStruct& shortcut, const char* directory) {
  ShellLink link;
  link.target = PlatNativePath(std::string(directory) + shortcut.file);
  link.workingDirectory = directory;
  link.arguments = shortcut.arguments;
  link.name = shortcut.name;
  return link;
}

}  // namespace

std::string StartMenuShortcutFolder() {
  std::string folder = ShellFolder("Start Menu");
  if (folder.empty()) return "";
  if (folder.back() != '/' && folder.back() != '\\') folder += kPathSeparator;
  return PlatNativePath(folder + kStartMenuSubfolder);
}

std::string DesktopShortcutFolder() { return PlatNativePath(ShellFolder("Desktop")); }

void CreateShortcuts(const ArrayCollection<ShortcutInfoStruct>& list, const char* directory,
                     const std::string& folder) {
  if (folder.empty()) return;
  for (int i = 0; i < list.Count(); ++i) CreateShortcut(LinkOf(*list.Get(i), directory), folder);
}

void DeleteShortcuts(const ArrayCollection<ShortcutInfoStruct>& list, const char* directory,
                     const std::string& folder) {
  if (folder.empty()) return;
  for (int i = 0; i < list.Count(); ++i) DeleteShortcut(LinkOf(*list.Get(i), directory), folder);
}

void RemoveStartMenuFolders() {
  std::string folder = StartMenuShortcutFolder();
  if (folder.empty()) return;
  // The publisher's folder is tried even when the product's is already gone
  // (an uninstallation cut short after removing it); the removal of a folder
  // that is not empty fails and leaves it.
  PlatRemoveEmptyDirectory(folder);
  const size_t cut = folder.find_last_of(kPathSeparator);
  if (cut != std::string::npos && cut > 0) PlatRemoveEmptyDirectory(folder.substr(0, cut));
}
