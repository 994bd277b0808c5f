#pragma once
#include <string>

namespace startup {

// The operator's addresses: hosts only, the ports, paths and queries stay fixed in the code that
// uses them. A default-built value holds the addresses compiled in from config/operator.ini.
struct Endpoints {
  Endpoints();

  std::string manifestPrimary;
  int manifestPrimaryPort = 8888;
  std::string manifestSecondary;
  int manifestSecondaryPort = 8282;
  std::string announcement;  // serves "/bz01.html"
  std::string site;          // official site, plain http, default port
  std::string forum;         // forum site, plain http, default port
  std::string account;       // account server, plain http, port 8888
  std::string qq;            // QQ group service, https
  std::string qqKey;         // the group's invitation key
};

// Applies an endpoints file (the format of config/operator.ini) over `endpoints`: keys it sets
// replace the values, keys it leaves out keep them. On a malformed file `endpoints` is left
// unchanged and `error` says what and where.
bool applyEndpointsText(const std::string& text, Endpoints& endpoints, std::string& error);

}  // namespace startup
