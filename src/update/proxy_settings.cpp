#include "update/proxy_settings.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "foundation/alloc.h"
#include "platform/settings_store.h"
#include "transport/base64.h"
#include "transport/download_support.h"
#include "transport/socks5.h"
#include "transport/transport_globals.h"
#include "update/product_key.h"

int SocksPPort = -1;

namespace {
void CopyBounded(char* out, const char* text, size_t size) {
  const size_t n = strnlen(text, size - 1);
  std::memcpy(out, text, n);
  out[n] = '\0';
}
}  // namespace

CredentialProblem CheckCredential(const char* user, const char* password) {
  if (!user || !password || !*user || !*password) return CredentialProblem::kEmpty;
  // Basic authentication ends the user name at its first colon.
  if (std::strchr(user, ':')) return CredentialProblem::kColonInUser;
  if (std::strlen(user) + 1 + std::strlen(password) >= size_t(kCredentialSize)) return CredentialProblem::kTooLong;
  return CredentialProblem::kNone;
}

int SetProxyAuthentication(const char* user, const char* password) {
  if (CheckCredential(user, password) != CredentialProblem::kNone) return 0;
  char credential[kCredentialSize];
  std::snprintf(credential, sizeof credential, "%s:%s", user, password);
  char* encoded = ToBase64(credential);
  std::memset(credential, 0, sizeof credential);
  SaveProxyAuthorization(encoded);
  if (ProxyAuthentication) GRTFree(ProxyAuthentication);
  ProxyAuthentication = encoded;
  return 1;
}

void KillProxyAuthentication() {
  if (ProxyAuthentication) GRTFree(ProxyAuthentication);
  ProxyAuthentication = nullptr;
  SaveProxyAuthorization("");
}

void LoadProxySettingsAtStartup() {
  if (ProxyServer) GRTFree(ProxyServer);
  ProxyServer = nullptr;
  if (ProxyAuthentication) GRTFree(ProxyAuthentication);
  ProxyAuthentication = nullptr;
  const ConnectionSettings stored = LoadConnectionSettings();
  SocksPPort = stored.socksPort;
  if (stored.useProxy && !stored.proxyAddress.empty()) {
    ProxyServer = StrDup(stored.proxyAddress.c_str(), "ProxyServer");
    if (!stored.authorization.empty())
      ProxyAuthentication = StrDup(stored.authorization.c_str(), "ProxyAuthentication");
    ProxyPort = stored.proxyPort;
  }
  if (stored.gameUsesProxy && !stored.socksAddress.empty() && stored.socksPort >= 0 && stored.socksPort <= 65535)
    SetSocksProxy(stored.socksAddress.c_str(), uint16_t(stored.socksPort));
  // Transfers at once; without a stored value the default holds.
  const int connections = GetKeyValue("MaxConnections");
  MaxConnections = connections < 0 ? kDefaultMaxConnections : ClampMaxConnections(connections);
  // Bytes a second below which a transfer is given up; 0 turns the rule off.
  const int rate = GetKeyValue("MinTransferRate");
  MinTransferRate = rate < 0 ? kDefaultMinTransferRate : rate;
}

void DetectedProxy::Clear() { *this = DetectedProxy(); }

int ParseMicrosoftProxyServer(const char* text, int proxyEnable, DetectedProxy* out) {
  out->Clear();
  if (!text || !*text) return 0;
  char value[260];
  CopyBounded(value, text, sizeof value);

  // SOCKS first: its entry is cut off at its colon.
  if (char* socks = std::strstr(value, "socks=")) {
    char* host = socks + 6;
    char* colon = std::strchr(host, ':');
    if (colon && *host) {
      char port[11];
      CopyBounded(port, colon + 1, sizeof port);
      out->socksPort = std::atoi(port);
      *colon = '\0';
      CopyBounded(out->socksHost, host, sizeof out->socksHost);
      out->socksEnabled = 1;
    }
  }
  const char* part = nullptr;
  if (const char* http = std::strstr(value, "http=")) {
    part = http + 5;
  } else if (!std::strchr(value, ';')) {
    part = value;
  }
  if (part) {
    if (const char* colon = std::strchr(part, ':')) {
      char port[11];
      CopyBounded(port, colon + 1, sizeof port);
      out->httpPort = std::atoi(port);
      const size_t n =
          size_t(colon - part) < sizeof out->httpHost - 1 ? size_t(colon - part) : sizeof out->httpHost - 1;
      std::memcpy(out->httpHost, part, n);
      out->httpHost[n] = '\0';
      out->httpEnabled = 1;
    }
  }
  // A text that names neither proxy is no detection (there is nothing to offer).
  if (!out->httpEnabled && !out->socksEnabled) {
    out->Clear();
    return 0;
  }
  if (proxyEnable == 0) out->httpEnabled = out->socksEnabled = 0;
  return 1;
}

int DetectMicrosoftProxyInformation(char* httpHost, char* socksHost, int* httpPort, int* socksPort, int* httpEnabled,
                                    int* socksEnabled) {
  DetectedProxy found;
  int result = 0;
  HKEY key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings", 0, KEY_READ,
                    &key) == ERROR_SUCCESS) {
    char value[261] = {};
    DWORD type = 0, size = 260;
    if (RegQueryValueExA(key, "ProxyServer", nullptr, &type, reinterpret_cast<unsigned char*>(value), &size) ==
            ERROR_SUCCESS &&
        type == REG_SZ) {
      int32_t enable = -1;
      DWORD enableSize = 4;
      if (RegQueryValueExA(key, "ProxyEnable", nullptr, &type, reinterpret_cast<unsigned char*>(&enable),
                           &enableSize) != ERROR_SUCCESS ||
          type != REG_DWORD)
        enable = -1;
      result = ParseMicrosoftProxyServer(value, enable, &found);
    }
    RegCloseKey(key);
  }
  std::memcpy(httpHost, found.httpHost, sizeof found.httpHost);
  std::memcpy(socksHost, found.socksHost, sizeof found.socksHost);
  *httpPort = found.httpPort;
  *socksPort = found.socksPort;
  *httpEnabled = found.httpEnabled;
  *socksEnabled = found.socksEnabled;
  return result;
}
