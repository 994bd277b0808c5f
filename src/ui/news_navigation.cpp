#include "ui/news_navigation.h"

#include <string_view>

#include "text/port_number.h"

namespace ui {

namespace {

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string lowered(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = lower(c);
  return out;
}

// The parts of an http or https address that decide where it leads.
struct Site {
  std::string scheme;  // "http" or "https"
  std::string host;    // lower-case
  int port = 0;
  bool userInfo = false;  // "user@" before the host: shown to the player as another host
};

std::string schemeOf(std::string_view address) {
  size_t colon = address.find(':');
  if (colon == std::string_view::npos || colon == 0) return {};
  for (size_t i = 0; i < colon; ++i) {
    char c = lower(address[i]);
    bool ok = (c >= 'a' && c <= 'z') || (i > 0 && ((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.'));
    if (!ok) return {};
  }
  return lowered(address.substr(0, colon));
}

// False for anything but a well-formed http or https address with a host. The browser control
// reads a backslash as a slash, so it ends the host here too.
bool parseSite(std::string_view address, Site& site) {
  site.scheme = schemeOf(address);
  if (site.scheme != "http" && site.scheme != "https") return false;
  std::string_view rest = address.substr(site.scheme.size() + 1);
  if (rest.size() < 2 || rest[0] != '/' || rest[1] != '/') return false;
  rest.remove_prefix(2);
  std::string_view authority = rest.substr(0, rest.find_first_of("/?#\\"));
  size_t at = authority.rfind('@');
  site.userInfo = at != std::string_view::npos;
  if (site.userInfo) authority.remove_prefix(at + 1);
  site.port = site.scheme == "https" ? 443 : 80;
  size_t colon = authority.rfind(':');
  if (colon != std::string_view::npos && authority.find(']', colon) == std::string_view::npos) {
    std::string_view port = authority.substr(colon + 1);
    if (!port.empty() && !text::parsePortNumber(port, site.port)) return false;
    authority = authority.substr(0, colon);
  }
  if (authority.empty()) return false;
  site.host = lowered(authority);
  return true;
}

bool sameSite(const Site& home, const Site& target) {
  if (target.userInfo || home.host != target.host) return false;
  if (home.scheme == target.scheme) return home.port == target.port;
  return home.scheme == "http" && home.port == 80 && target.scheme == "https" && target.port == 443;
}

}  // namespace

NewsRoute routeNewsRequest(const std::string& home, const NewsRequest& request) {
  std::string scheme = schemeOf(request.target);
  if (scheme == "about")
    return !request.newWindow && lowered(request.target) == "about:blank" ? NewsRoute::Stay : NewsRoute::Refuse;
  if (scheme == "javascript") return request.newWindow ? NewsRoute::Refuse : NewsRoute::Stay;
  Site target;
  if (!parseSite(request.target, target)) return NewsRoute::Refuse;
  if (request.newWindow) return request.userAsked ? NewsRoute::OpenOutside : NewsRoute::Refuse;
  Site own;
  if (parseSite(home, own) && sameSite(own, target)) return NewsRoute::Stay;
  return request.topLevel ? NewsRoute::OpenOutside : NewsRoute::Refuse;
}

bool OutsideOpenings::allow(uint32_t nowMs) {
  if (opened_ && nowMs - lastMs_ < kSpacingMs) return false;
  opened_ = true;
  lastMs_ = nowMs;
  return true;
}

}  // namespace ui
