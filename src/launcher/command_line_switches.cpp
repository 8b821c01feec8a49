#include "launcher/command_line_switches.h"

#include <cctype>

#include "launcher/launcher_globals.h"
#include "launcher/server_urls.h"

CommandLineSwitches ParseCommandLineSwitches(int argc, char** argv) {
  CommandLineSwitches switches;
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    if (!arg || arg[0] != '-') break;
    switch (std::tolower(static_cast<unsigned char>(arg[1]))) {
      case 'a': switches.automatic = true; break;
      case 'd': switches.doNotLaunch = true; break;
      case 'g': switches.alternateServer = true; break;
      case 's': switches.shortInstall = true; break;
      case 'u': switches.uninstall = true; break;
      default: break;
    }
  }
  return switches;
}

void ApplyCommandLineSwitches(const CommandLineSwitches& switches, bool installed) {
  if (switches.automatic && installed) {
    AutomaticUpdateAndLaunch = 1;
    DoNotLaunchQuorvel = 1;
  }
  if (switches.doNotLaunch) DoNotLaunchQuorvel = 1;
  if (switches.alternateServer) SetServerURL(AlternateServerURL);
  if (switches.shortInstall) ShortInstall = 1;
  if (switches.uninstall && installed) Uninstalling = 1;
}
