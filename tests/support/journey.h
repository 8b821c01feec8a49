// Steps that several launcher journeys share: the first installation made
// from a package the way a player clicks through it, and the facts a journey
// checks afterwards (digests, the settings store, the nginx access log).
#pragma once

#include <string>
#include <vector>

#include "support/launcher_session.h"
#include "support/xvfb.h"

// The MD5 digest of a file as lower-case hex; "(unreadable)" when it cannot be read.
std::string FileMd5Hex(const std::string& path);

// Runs the launcher from an installation package (packageDir/quorvel.exe in
// packageDir) through Install, the Terms, the default directory (created
// when asked) and the copy, until it has launched the game and ended. ""
// when it did, else what went wrong with the session's description.
std::string InstallFromPackage(const Xvfb& x, const std::string& packageDir, const std::vector<std::string>& env,
                               const std::string& traceFile);

// A string value of the settings store named by the environment's
// QUORVEL_REGISTRY, read with `quorvel-tool settings get`; found is false
// when the key or value is missing.
std::string SettingsValue(const std::vector<std::string>& env, const std::string& key, const std::string& name,
                          bool* found = nullptr);

// The lines of an nginx access log (NginxPeer::AccessLog) that contain text.
std::vector<std::string> RequestsContaining(const std::vector<std::string>& log, const std::string& text);
