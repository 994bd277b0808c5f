#include "options.h"

#include <cstdlib>

namespace standin {

const char* const kUsage =
    "usage: standin-server [options]   (see tools/standin_server/README.md)\n"
    "  --bind ADDR                 listen address (127.0.0.1)\n"
    "  --manifest FILE             manifest on both manifest paths\n"
    "  --primary-manifest FILE     manifest on the primary only\n"
    "  --secondary-manifest FILE   manifest on the secondary only\n"
    "  --primary-port N            primary manifest port (8888; 0 picks a free one)\n"
    "  --secondary-port N          secondary manifest port (8282; 0 picks a free one)\n"
    "  --no-primary, --no-secondary   leave that port closed\n"
    "  --files DIR                 serve DIR on its own port and on both manifest ports\n"
    "  --files-port N              the files port (0: a free one)\n"
    "  --redirect PATH=TARGET[,301|302]   answer PATH with a redirect\n"
    "  --login PORT[:N[+N...]]     login server sending N bytes (4), pieces 150 ms apart; 0 sends nothing\n"
    "  --fault [primary:|secondary:|manifest:|files:]MODE   close-after=N, wrong-length=N, stall,\n"
    "                              stall-after=N, status=CODE, ignore-range,\n"
    "                              reset-after=N, rate=BYTES_PER_SECOND, flip-byte=N\n"
    "  --fault-limit N             fault only the first N requests of each listener\n"
    "  --expand                    replace @HOST@ @PRIMARY_PORT@ @SECONDARY_PORT@ @FILES_PORT@ @LOGIN_PORT_n@\n"
    "  --ports-file FILE           write name=port lines once every port is open\n"
    "  --log FILE                  request log (standard error)\n";

const char* roleName(Role role) {
  switch (role) {
    case Role::Primary: return "primary";
    case Role::Secondary: return "secondary";
    case Role::Files: return "files";
  }
  return "?";
}

const std::string& Config::manifestFor(Role role) const {
  if (role == Role::Primary && !primaryManifest.empty()) return primaryManifest;
  if (role == Role::Secondary && !secondaryManifest.empty()) return secondaryManifest;
  return manifest;
}

namespace {

bool number(const std::string& text, long low, long high, long& value) {
  if (text.empty()) return false;
  char* end = nullptr;
  value = std::strtol(text.c_str(), &end, 10);
  return *end == '\0' && value >= low && value <= high;
}

bool port(const std::string& text, int& value) {
  long v = 0;
  if (!number(text, 0, 65535, v)) return false;
  value = static_cast<int>(v);
  return true;
}

bool faultMode(const std::string& mode, Fault& f) {
  size_t eq = mode.find('=');
  std::string name = mode.substr(0, eq);
  std::string arg = eq == std::string::npos ? "" : mode.substr(eq + 1);
  long n = 0;
  if (name == "stall" && arg.empty()) return f.stall = true;
  if (name == "ignore-range" && arg.empty()) return f.ignoreRange = true;
  if (name == "status" && number(arg, 100, 599, n)) return f.status = static_cast<int>(n), true;
  if (!number(arg, 0, 1L << 40, n)) return false;
  if (name == "close-after") return f.closeAfter = n, true;
  if (name == "wrong-length") return f.wrongLength = n, true;
  if (name == "stall-after") return f.stallAfter = n, true;
  if (name == "reset-after") return f.resetAfter = n, true;
  if (name == "rate" && n > 0) return f.rate = n, true;
  if (name == "flip-byte") return f.flipByte = n, true;
  return false;
}

bool fault(const std::string& spec, Config& c) {
  std::vector<Role> roles{Role::Primary, Role::Secondary, Role::Files};
  std::string mode = spec;
  size_t colon = spec.find(':');
  if (colon != std::string::npos) {
    std::string scope = spec.substr(0, colon);
    mode = spec.substr(colon + 1);
    if (scope == "primary") roles = {Role::Primary};
    else if (scope == "secondary") roles = {Role::Secondary};
    else if (scope == "manifest") roles = {Role::Primary, Role::Secondary};
    else if (scope == "files") roles = {Role::Files};
    else return false;
  }
  for (Role r : roles)
    if (!faultMode(mode, c.faults[r])) return false;
  return true;
}

bool redirect(const std::string& spec, Config& c) {
  size_t eq = spec.find('=');
  if (eq == std::string::npos || eq == 0 || spec[0] != '/') return false;
  Redirect r;
  r.target = spec.substr(eq + 1);
  size_t comma = r.target.rfind(',');
  if (comma != std::string::npos) {
    std::string code = r.target.substr(comma + 1);
    if (code != "301" && code != "302") return false;
    r.status = code == "301" ? 301 : 302;
    r.target.resize(comma);
  }
  if (r.target.empty()) return false;
  c.redirects[spec.substr(0, eq)] = r;
  return true;
}

bool login(const std::string& spec, Config& c) {
  Login l;
  size_t colon = spec.find(':');
  if (!port(spec.substr(0, colon), l.port)) return false;
  if (colon != std::string::npos) {
    l.pieces.clear();
    std::string rest = spec.substr(colon + 1);
    for (size_t start = 0; start <= rest.size();) {
      size_t plus = rest.find('+', start);
      if (plus == std::string::npos) plus = rest.size();
      long n = 0;
      if (!number(rest.substr(start, plus - start), 0, 1 << 20, n)) return false;
      l.pieces.push_back(static_cast<int>(n));
      start = plus + 1;
    }
  }
  c.logins.push_back(l);
  return true;
}

}  // namespace

bool parseOptions(const std::vector<std::string>& args, Config& c, std::string& error) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&](std::string& out) {
      if (i + 1 >= args.size()) return false;
      out = args[++i];
      return true;
    };
    std::string v;
    bool ok = true;
    if (a == "--no-primary") c.primary = false;
    else if (a == "--no-secondary") c.secondary = false;
    else if (a == "--expand") c.expand = true;
    else if (!value(v)) ok = false;
    else if (a == "--bind") c.bind = v;
    else if (a == "--manifest") c.manifest = v;
    else if (a == "--primary-manifest") c.primaryManifest = v;
    else if (a == "--secondary-manifest") c.secondaryManifest = v;
    else if (a == "--primary-port") ok = port(v, c.primaryPort);
    else if (a == "--secondary-port") ok = port(v, c.secondaryPort);
    else if (a == "--files") c.filesDir = v;
    else if (a == "--files-port") ok = port(v, c.filesPort);
    else if (a == "--redirect") ok = redirect(v, c);
    else if (a == "--login") ok = login(v, c);
    else if (a == "--fault") ok = fault(v, c);
    else if (a == "--fault-limit") ok = number(v, 0, 1L << 40, c.faultLimit);
    else if (a == "--ports-file") c.portsFile = v;
    else if (a == "--log") c.logFile = v;
    else ok = false;
    if (!ok) {
      error = "bad option: " + a + (v.empty() ? "" : " " + v);
      return false;
    }
  }
  return true;
}

}  // namespace standin
