// The connection settings as the transfers use them: the globals they read
// (transport_globals.h) set from the stored values (product_key.h), the
// proxy credential, and the detection of the system's own proxy.
#pragma once

#include "update/product_key.h"

// The entry buffer of a stored address, as it is read back.
constexpr int kProxyAddressSize = kKeyValueStringSize;
// "user:password" is at most kCredentialSize - 1 bytes.
constexpr int kCredentialSize = 256;

// Why a credential cannot be stored.
enum class CredentialProblem { kNone, kEmpty, kColonInUser, kTooLong };
CredentialProblem CheckCredential(const char* user, const char* password);

// Stores Base64 ("user:password") in "ProxyAuthorization" and makes it
// ProxyAuthentication (only the global when the key cannot be created).
// Returns 0 without changing anything when CheckCredential refuses it.
int SetProxyAuthentication(const char* user, const char* password);
// Frees ProxyAuthentication (null afterwards) and sets "ProxyAuthorization"
// to the empty string.
void KillProxyAuthentication();

// The SOCKS port being edited or loaded: -1 at load.
extern int SocksPPort;

// RealMain's reading of the settings at start-up: ProxyServer,
// ProxyAuthentication, ProxyPort and the SOCKS proxy from the store, the
// SOCKS port being edited, and MaxConnections (the DWORD "MaxConnections",
// brought into 1..16; 4 when there is none) and MinTransferRate (the DWORD
// "MinTransferRate", bytes a second; 1024 when there is none).
void LoadProxySettingsAtStartup();

// The result of a detection: hosts hold at most 255 characters.
struct DetectedProxy {
  char httpHost[256] = {};
  char socksHost[256] = {};
  int httpPort = -1;
  int socksPort = -1;
  int httpEnabled = 0;
  int socksEnabled = 0;
  void Clear();
};

// Reads the Windows "ProxyServer" text (proxyEnable: the "ProxyEnable"
// value, or -1 when it cannot be read). Returns 1 when the text names an
// HTTP or a SOCKS proxy, else 0 with out cleared. Forms: "host:port" (one
// proxy for all protocols), "http=host:port;socks=host:port;...". The SOCKS
// entry is cut out first, so an HTTP entry after it is not seen.
int ParseMicrosoftProxyServer(const char* value, int proxyEnable, DetectedProxy* out);
// The Windows Internet settings of the current user, read from the store
// and parsed as above.
int DetectMicrosoftProxyInformation(char* httpHost, char* socksHost, int* httpPort, int* socksPort, int* httpEnabled,
                                    int* socksEnabled);

// The answers of the system's proxy configuration for an address (URLs such
// as "http://host:port", "socks5://host:port", "direct://") and the
// all_proxy variable's value (or null): the first HTTP answer is the HTTP
// proxy, the first socks5:// or socks:// answer, else an all_proxy of scheme
// socks5, socks5h or socks, the SOCKS proxy. Both found ones are enabled.
// Returns 1 when either was found, else 0 with out cleared.
int ParseSystemProxyAnswers(const char* const* answers, int count, const char* allProxy, DetectedProxy* out);
// Detection as the settings window's Detect button does it on this
// platform: libproxy for url and all_proxy/ALL_PROXY on POSIX, the Internet
// settings on Windows.
int DetectProxyInformation(const char* url, DetectedProxy* out);
// The first line of the question after a detection.
const char* DetectedProxyQuestionHeader();
