// The checks of the Connection Settings window's OK, apart from the window:
// what its boxes and toggles hold goes in, and out comes either the values
// to save or the first warning with the box to correct, together with what
// the HTTP proxy globals become on the way (they follow the check as far as
// it got, also when it stops).
#pragma once

#include <optional>
#include <string>

#include "update/product_key.h"

struct ConnectionEntries {
  std::string proxyHost, proxyPort, socksHost, socksPort;  // the boxes' texts
  int useProxy = 0, gameUsesProxy = 0;
};

enum class ConnectionBox { kNone, kProxyHost, kProxyPort, kSocksHost, kSocksPort };

struct ConnectionVerdict {
  // The warning as the catalogue keys it (null: accepted), whether it is
  // looked up there, and the box the keyboard goes to with it.
  const char* warning = nullptr;
  bool translated = true;
  ConnectionBox box = ConnectionBox::kNone;
  // ProxyPort and SocksPPort from here on; unset: left as they are.
  std::optional<int> proxyPort, socksPort;
  // The HTTP proxy host the box and ProxyServer take ("http://h:p/" gives
  // "h:p"); empty when the check did not get that far or no proxy is used.
  std::string proxyHost;
  // Accepted: every value to save but the authorization, which the log-on
  // window keeps.
  ConnectionSettings settings;
};

// The rules in order: each port box, when not empty, holds 0 to 65535 (the
// port is clamped into that range with the warning); with the HTTP proxy in
// use its host and port are required; with the SOCKS proxy in use its host
// and port are required. An empty port box saves -1 for HTTP, 0 for SOCKS.
ConnectionVerdict CheckConnectionEntries(const ConnectionEntries& entries);
