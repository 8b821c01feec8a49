#include "launcher/shortcuts.h"

#include <cstdio>

#include "launcher/launcher_globals.h"

const char* kStartMenuSubfolder = "Programs/Tellurant/Brasklund Online";

void AddShortcut(ArrayCollection<ShortcutInfoStruct>& list, const char* file, const char* name,
                 const char* arguments) {
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
