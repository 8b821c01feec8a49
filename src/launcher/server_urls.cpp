#include "launcher/server_urls.h"

#include <cstdlib>
#include <string>

#ifndef QUORVEL_INSTALL_URL
#define QUORVEL_INSTALL_URL "http://install.example.com/krnx/"
#endif
#ifndef QUORVEL_UPDATE_URL
#define QUORVEL_UPDATE_URL "http://updates.example.com/krnx/"
#endif
#ifndef QUORVEL_ALTERNATE_URL
#define QUORVEL_ALTERNATE_URL "http://alternate.example.com/zeph4/"
#endif

const char* InstallURL = QUORVEL_INSTALL_URL;
const char* UpdateURL = QUORVEL_UPDATE_URL;
const char* AlternateServerURL = QUORVEL_ALTERNATE_URL;
const char* ServerURL = QUORVEL_INSTALL_URL;

namespace {

// Storage for overridden addresses; the globals point into it.
std::string install_override, update_override, alternate_override;

const char* Override(const char* variable, std::string& storage, const char* current) {
  const char* value = std::getenv(variable);
  if (!value || !*value) return current;
  storage = value;
  return storage.c_str();
}

}  // namespace

void ReadServerURLOverrides() {
  const bool serverFollowsInstall = ServerURL == InstallURL;
  const bool serverFollowsUpdate = ServerURL == UpdateURL;
  const bool serverFollowsAlternate = ServerURL == AlternateServerURL;
  InstallURL = Override("QUORVEL_INSTALL_URL", install_override, InstallURL);
  UpdateURL = Override("QUORVEL_UPDATE_URL", update_override, UpdateURL);
  AlternateServerURL = Override("QUORVEL_ALTERNATE_URL", alternate_override, AlternateServerURL);
  if (serverFollowsInstall) ServerURL = InstallURL;
  else if (serverFollowsUpdate) ServerURL = UpdateURL;
  else if (serverFollowsAlternate) ServerURL = AlternateServerURL;
}

void ResetServerURLs() {
  InstallURL = QUORVEL_INSTALL_URL;
  UpdateURL = QUORVEL_UPDATE_URL;
  AlternateServerURL = QUORVEL_ALTERNATE_URL;
  ServerURL = InstallURL;
}

void SetServerURL(const char* url) { ServerURL = url; }
