// The launcher's command-line switches. Arguments are examined from the first
// (argv[1]; argv[0] is the program slot and may be null) and examination
// stops at the first argument that does not begin with "-". Only the
// character after the "-" counts, in either case; the rest of the argument
// is ignored, and an unknown letter is ignored.
#pragma once

struct CommandLineSwitches {
  bool automatic = false;        // "-a": update and end without the player's first click
  bool doNotLaunch = false;      // "-d": update but do not start the game
  bool alternateServer = false;  // "-g": fetch from the alternate server
  bool shortInstall = false;     // "-s": no file copy, download or deletion
  bool uninstall = false;        // "-u": uninstall
};

CommandLineSwitches ParseCommandLineSwitches(int argc, char** argv);

// Sets the flow's globals from the switches: "-a" and "-u" only take effect
// when the game is installed; "-g" points ServerURL at the alternate server.
void ApplyCommandLineSwitches(const CommandLineSwitches& switches, bool installed);
