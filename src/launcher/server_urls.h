// The download servers. The defaults are build options (QUORVEL_INSTALL_URL,
// QUORVEL_UPDATE_URL, QUORVEL_ALTERNATE_URL); environment variables of the
// same names override them when ReadServerURLOverrides runs. An address may
// carry a port ("http://host:8080/krnx/").
#pragma once

// The server of a first installation and of updates (path "/krnx/"), and the
// alternate server of "-g" (path "/zeph4/").
extern const char* InstallURL;
extern const char* UpdateURL;
extern const char* AlternateServerURL;
// The base address every download uses; InstallURL at load.
extern const char* ServerURL;

// Applies the environment's overrides to the three addresses (an empty
// variable counts as unset); ServerURL follows InstallURL when it still
// pointed at the old InstallURL.
void ReadServerURLOverrides();
// Restores the built-in defaults (tests).
void ResetServerURLs();
void SetServerURL(const char* url);
