// Detection of the system's proxy for the settings window's Detect button.
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "foundation/case_compare.h"
#include "platform/system_proxy.h"
#include "update/proxy_settings.h"

namespace {
bool StartsWithNoCase(const char* text, const char* prefix) {
  return CaseCompareN(text, prefix, std::strlen(prefix)) == 0;
}

// host and port of "scheme://[user[:pass]@]host[:port][/...]"; false when
// there is no host. IPv6 literals keep their brackets off.
bool HostAndPort(const char* url, int defaultPort, char* host, size_t hostSize, int* port) {
  const char* rest = std::strstr(url, "://");
  if (!rest) return false;
  std::string s(rest + 3);
  s = s.substr(0, s.find_first_of("/?#"));
  if (size_t at = s.rfind('@'); at != std::string::npos) s = s.substr(at + 1);
  std::string h = s, p;
  if (!s.empty() && s[0] == '[') {
    size_t close = s.find(']');
    if (close == std::string::npos) return false;
    h = s.substr(1, close - 1);
    if (close + 1 < s.size() && s[close + 1] == ':') p = s.substr(close + 2);
  } else if (size_t colon = s.rfind(':'); colon != std::string::npos) {
    h = s.substr(0, colon);
    p = s.substr(colon + 1);
  }
  if (h.empty() || h.size() >= hostSize) return false;
  int n = defaultPort;
  if (!p.empty()) {
    char* end = nullptr;
    long v = std::strtol(p.c_str(), &end, 10);
    if (*end || v < 0 || v > 65535) return false;
    n = int(v);
  }
  std::memcpy(host, h.c_str(), h.size() + 1);
  *port = n;
  return true;
}
}  // namespace

int ParseSystemProxyAnswers(const char* const* answers, int count, const char* allProxy, DetectedProxy* out) {
  out->Clear();
  for (int i = 0; i < count; ++i) {
    const char* a = answers[i];
    if (!a) continue;
    if (!out->httpEnabled && StartsWithNoCase(a, "http://")) {
      out->httpEnabled = HostAndPort(a, 8080, out->httpHost, sizeof out->httpHost, &out->httpPort);
    } else if (!out->socksEnabled && (StartsWithNoCase(a, "socks5://") || StartsWithNoCase(a, "socks://"))) {
      out->socksEnabled = HostAndPort(a, 1080, out->socksHost, sizeof out->socksHost, &out->socksPort);
    }
  }
  if (!out->socksEnabled && allProxy &&
      (StartsWithNoCase(allProxy, "socks5://") || StartsWithNoCase(allProxy, "socks5h://") ||
       StartsWithNoCase(allProxy, "socks://")))
    out->socksEnabled = HostAndPort(allProxy, 1080, out->socksHost, sizeof out->socksHost, &out->socksPort);
  if (!out->httpEnabled) out->httpHost[0] = '\0', out->httpPort = -1;
  if (!out->socksEnabled) out->socksHost[0] = '\0', out->socksPort = -1;
  return out->httpEnabled || out->socksEnabled;
}

int DetectProxyInformation(const char* url, DetectedProxy* out) {
#ifdef _WIN32
  return DetectMicrosoftProxyInformation(out->httpHost, out->socksHost, &out->httpPort, &out->socksPort,
                                         &out->httpEnabled, &out->socksEnabled);
#else
  const std::vector<std::string> answers = PlatSystemProxiesFor(url ? url : "");
  std::vector<const char*> texts;
  for (const std::string& a : answers) texts.push_back(a.c_str());
  const char* allProxy = std::getenv("all_proxy");
  if (!allProxy || !*allProxy) allProxy = std::getenv("ALL_PROXY");
  return ParseSystemProxyAnswers(texts.data(), int(texts.size()), allProxy, out);
#endif
}

const char* DetectedProxyQuestionHeader() {
#ifdef _WIN32
  return "Found Microsoft proxy information:\n";
#else
  return "Found system proxy information:\n";
#endif
}
