// The shortcuts the installation creates and the uninstallation removes: the
// Start Menu entries go into the "Start Menu" shell folder followed by
// kStartMenuSubfolder, the desktop entries into the "Desktop" folder.
#pragma once

#include <string>

#include "foundation/array_collection.h"

struct ShortcutInfoStruct {
  char file[260];       // target, relative to the installation directory
  char name[100];       // link name and description
  char arguments[100];  // command-line arguments of the link
};

// Below the Start Menu folder; "\" or "/" both separate.
extern const char* kStartMenuSubfolder;

// Appends a copy of the definition (texts cut to their fields).
void AddShortcut(ArrayCollection<ShortcutInfoStruct>& list, const char* file, const char* name, const char* arguments);
// Frees every definition and empties the list.
void FreeShortcuts(ArrayCollection<ShortcutInfoStruct>& list);
// Fills DesktopShortcuts and StartMenuShortcuts with the launcher's set.
void LoadShortcuts();

// The shell folders, read as the settings store's "Shell Folders" values;
// "" when unknown. The Start Menu folder has kStartMenuSubfolder appended.
std::string StartMenuShortcutFolder();
std::string DesktopShortcutFolder();

// Create or delete every shortcut of the list in folder, for an installation
// in directory (the target is directory + file, started in directory).
// Failures are silent; an empty folder skips them all.
void CreateShortcuts(const ArrayCollection<ShortcutInfoStruct>& list, const char* directory, const std::string& folder);
void DeleteShortcuts(const ArrayCollection<ShortcutInfoStruct>& list, const char* directory, const std::string& folder);
// Removes the Start Menu folder and then its parent (the publisher's), each
// only when empty.
void RemoveStartMenuFolders();
