// What the installation records outside its directory: the uninstall entry
// (the product key's "InstallationDirectory" is product_key.h's), the default
// directory, and their removal.
#pragma once

#include <cstddef>

#include "update/product_key.h"  // RegistryKeyName, WriteInstallationDirectory

// The uninstall entry's key under HKEY_LOCAL_MACHINE.
extern const char* UninstallKeyName;

// The program-files folder ("ProgramFilesDir" of the settings store) with one
// final separator; "c:\program files\" when it cannot be read.
void DetectProgramFilesLocation(char* out, size_t size);
// DetectProgramFilesLocation + InitialInstallDir + a final separator.
void DefaultInstallDirectory(char* out, size_t size);

// The uninstall entry: "DisplayName" and "UninstallString" = directory +
// "quorvel.exe -u". 1, or 0 when the key cannot be created.
int CreateUninstallationInfoKeys();
// Deletes the uninstall entry and the product key, then empties
// "InstallationDirectory" if the key can still be opened.
void RemoveInstallationRecord();
