// What is known of the installation: whether the settings store names an
// installation directory that holds "quorvel.exe", and that directory.
#pragma once

constexpr int kInstallDirectorySize = 2048;

struct RegistryInfo {
  int Installed = 0;
  // Ends in the platform separator once set by the flow.
  char Directory[kInstallDirectorySize] = {};
};

// Created by RealMain; always points at an object (an empty one at load).
extern RegistryInfo* RegInfo;

// The start-up reading: "InstallationDirectory" of the product key, when it
// is non-empty and names a folder with "quorvel.exe" beside it (a stored
// path with "\" or without its final separator is accepted), is the
// installation; otherwise the default directory is offered and Installed
// stays 0.
void ReadRegistryInfo(RegistryInfo& info);
