// The system's proxy configuration for an address, as the desktop (or the
// environment) sets it: on POSIX through libproxy.
#pragma once

#include <string>
#include <vector>

// The proxies to try for url, in order, as URLs: "http://host:port",
// "socks5://host:port", "direct://", ... Empty when nothing is known.
std::vector<std::string> PlatSystemProxiesFor(const std::string& url);
