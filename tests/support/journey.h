// Steps that several launcher journeys share: the first installation made
// from a package the way a player clicks through it, and the facts a journey
// checks afterwards (digests, the settings store, the server's access log).
#pragma once

#include <string>
#include <vector>

#include "support/launcher_session.h"
#include "support/served_release.h"
#include "support/xvfb.h"

// The MD5 digest of a file as lower-case hex; "(unreadable)" when it cannot be read.
std::string FileMd5Hex(const std::string& path);

// Runs the launcher from an installation package (packageDir/quorvel.exe in
// packageDir) through Install, the Terms, the default directory (created
// when asked) and the copy, until it has launched the game and ended. ""
// when it did, else what went wrong with the session's description.
std::string InstallFromPackage(const Xvfb& x, const std::string& packageDir, const std::vector<std::string>& env,
                               const std::string& traceFile);

// One start of an installed launcher through Launch and the Terms.
struct UpdateRun {
  std::vector<TraceLine> trace;
  std::vector<std::string> requests;  // the server's access log lines of this run
  std::string failure;                // "" when the run went to its launch and end
};

// Starts the installed launcher in dir, ticks "Scan All Files" when asked to,
// presses Launch, accepts the Terms and waits for the launch and the end.
UpdateRun LaunchInstalled(const Xvfb& x, ServedRelease& server, const std::string& dir,
                          const std::vector<std::string>& env, const std::string& traceFile, bool scanAll = false);

// The trace's reports as "RESULT NAME", in order.
std::vector<std::string> Reports(const std::vector<TraceLine>& trace);

// A string value of the settings store named by the environment's
// QUORVEL_REGISTRY, read with `quorvel-tool settings get`; found is false
// when the key or value is missing.
std::string SettingsValue(const std::vector<std::string>& env, const std::string& key, const std::string& name,
                          bool* found = nullptr);

// The lines of a server's access log (WebServerPeer::AccessLog) that contain text.
std::vector<std::string> RequestsContaining(const std::vector<std::string>& log, const std::string& text);
