#include <cstdlib>

#include "platform/proxy.h"

namespace platform {

namespace {

// The lower-case form first, as most programs read them; the upper-case form otherwise.
std::string variable(const char* lower, const char* upper) {
  const char* value = std::getenv(lower);
  if (value == nullptr || *value == '\0') value = std::getenv(upper);
  return value == nullptr ? std::string() : std::string(value);
}

}  // namespace

ProxyServer systemProxyFor(bool secure, const std::string& host, int port) {
  std::string proxy = secure ? variable("https_proxy", "HTTPS_PROXY") : variable("http_proxy", "HTTP_PROXY");
  if (proxy.empty()) return {};
  if (proxy_rules::bypassedByNoProxy(variable("no_proxy", "NO_PROXY"), host, port)) return {};
  return proxy_rules::parseProxyAddress(proxy);
}

}  // namespace platform
