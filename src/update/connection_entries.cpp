#include "update/connection_entries.h"

#include <climits>
#include <cstdlib>
#include <vector>

#include "foundation/case_compare.h"

namespace {
// atoi without its overflow: the value clamped to the int range.
int PortValue(const std::string& text) {
  long long v = std::strtoll(text.c_str(), nullptr, 10);
  if (v > INT_MAX) v = INT_MAX;
  if (v < INT_MIN) v = INT_MIN;
  return int(v);
}

bool InRange(int port) { return port >= 0 && port <= 65535; }
int Clamp(int v) { return v < 0 ? 0 : v > 65535 ? 65535 : v; }

// The first piece between slashes, or the second after a leading "http:".
std::string HostOf(const std::string& text) {
  std::vector<std::string> pieces;
  for (size_t start = 0; start <= text.size();) {
    size_t end = text.find('/', start);
    if (end == std::string::npos) end = text.size();
    if (end > start) pieces.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  if (pieces.empty()) return "";
  if (!CaseEqual(pieces[0].c_str(), "http:")) return pieces[0];
  return pieces.size() > 1 ? pieces[1] : "";
}

ConnectionVerdict Refused(ConnectionVerdict v, const char* warning, ConnectionBox box, bool translated = true) {
  v.warning = warning;
  v.box = box;
  v.translated = translated;
  return v;
}
}  // namespace

ConnectionVerdict CheckConnectionEntries(const ConnectionEntries& e) {
  ConnectionVerdict v;
  const int port = PortValue(e.proxyPort);
  if (!e.proxyPort.empty() && !InRange(port)) {
    v.proxyPort = Clamp(port);
    return Refused(v, "Invalid port number, must be between the values of 0 and 65535.", ConnectionBox::kProxyPort,
                   false);
  }
  const int socksPort = PortValue(e.socksPort);
  v.socksPort = socksPort;
  if (!e.socksPort.empty() && !InRange(socksPort)) {
    v.socksPort = Clamp(socksPort);
    return Refused(v, "Invalid socks port number, must be between the values of 0 and 65535.",
                   ConnectionBox::kSocksPort, false);
  }
  std::string proxyAddress = e.proxyHost;
  if (e.useProxy) {
    const std::string host = HostOf(e.proxyHost);
    if (host.empty())
      return Refused(v, "You must enter a valid proxy server to connect to.", ConnectionBox::kProxyHost);
    v.proxyHost = proxyAddress = host;
    if (e.proxyPort.empty()) {
      v.proxyPort = -1;
      return Refused(v, "You must enter a port to connect to proxy on.", ConnectionBox::kProxyPort);
    }
  }
  v.proxyPort = e.proxyPort.empty() ? -1 : port;
  if (e.gameUsesProxy) {
    if (e.socksHost.empty())
      return Refused(v, "You must enter a valid socks proxy server to connect to.", ConnectionBox::kSocksHost);
    if (e.socksPort.empty()) {
      v.socksPort = -1;
      return Refused(v, "You must enter a socks port to connect to proxy on.", ConnectionBox::kSocksPort);
    }
  }
  v.settings.proxyAddress = proxyAddress;
  v.settings.proxyPort = *v.proxyPort;
  v.settings.useProxy = e.useProxy;
  v.settings.socksAddress = e.socksHost;
  v.settings.socksPort = *v.socksPort;
  v.settings.gameUsesProxy = e.gameUsesProxy;
  return v;
}
