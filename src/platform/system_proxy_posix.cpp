#include <proxy.h>

#include <cstdlib>

#include "platform/system_proxy.h"

std::vector<std::string> PlatSystemProxiesFor(const std::string& url) {
  std::vector<std::string> out;
  pxProxyFactory* factory = px_proxy_factory_new();
  if (!factory) return out;
  char** proxies = px_proxy_factory_get_proxies(factory, url.c_str());
  if (proxies) {
    for (char** p = proxies; *p; ++p) {
      out.emplace_back(*p);
      std::free(*p);
    }
    std::free(proxies);
  }
  px_proxy_factory_free(factory);
  return out;
}
