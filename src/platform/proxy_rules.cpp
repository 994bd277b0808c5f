#include <cctype>
#include <vector>

#include "platform/proxy.h"
#include "text/port_number.h"

namespace platform::proxy_rules {

namespace {

std::string folded(std::string_view t) {
  std::string out(t);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

std::vector<std::string_view> split(std::string_view list, std::string_view separators) {
  std::vector<std::string_view> parts;
  size_t at = 0;
  while (at <= list.size()) {
    size_t end = list.find_first_of(separators, at);
    if (end == std::string_view::npos) end = list.size();
    if (end > at) parts.push_back(list.substr(at, end - at));
    at = end + 1;
  }
  return parts;
}

// "host", "host:port", "[v6]" or "[v6]:port" into its parts; false when the port is malformed.
bool splitHostPort(std::string_view text, std::string& host, int& port) {
  if (!text.empty() && text.front() == '[') {
    size_t close = text.find(']');
    if (close == std::string_view::npos) return false;
    host = std::string(text.substr(1, close - 1));
    std::string_view rest = text.substr(close + 1);
    if (rest.empty()) return true;
    return rest.front() == ':' && text::parsePortNumber(rest.substr(1), port);
  }
  size_t colon = text.rfind(':');
  if (colon != std::string_view::npos && text.find(':') == colon) {
    host = std::string(text.substr(0, colon));
    return text::parsePortNumber(text.substr(colon + 1), port);
  }
  host = std::string(text);
  return true;
}

// '*' stands for any run of characters; compared without regard to case.
bool wildcardMatch(std::string_view pattern, std::string_view text) {
  size_t p = 0, t = 0, star = std::string_view::npos, resume = 0;
  while (t < text.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      resume = t;
    } else if (p < pattern.size() && std::tolower(static_cast<unsigned char>(pattern[p])) ==
                                         std::tolower(static_cast<unsigned char>(text[t]))) {
      ++p;
      ++t;
    } else if (star != std::string_view::npos) {
      p = star + 1;
      t = ++resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

// A DNS name is at most 253 characters; an address or a name has no blanks, controls or
// the characters that delimit the parts of an address.
bool plausibleHost(std::string_view host) {
  constexpr size_t kLongestName = 253;
  if (host.empty() || host.size() > kLongestName) return false;
  for (char c : host) {
    unsigned char b = static_cast<unsigned char>(c);
    if (b <= ' ' || b == 0x7F || std::string_view("@[]\\/?#%\"<>").find(c) != std::string_view::npos) return false;
  }
  return true;
}

ProxyServer malformedProxy() {
  ProxyServer server;
  server.malformed = true;
  return server;
}

}  // namespace

ProxyServer parseProxyAddress(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
  if (text.empty()) return {};
  size_t scheme = text.find("://");
  if (scheme != std::string_view::npos) {
    // A TLS or SOCKS proxy is not one this client can talk to: it goes direct.
    if (folded(text.substr(0, scheme)) != "http") return {};
    text.remove_prefix(scheme + 3);
  }
  text = text.substr(0, text.find('/'));
  size_t at = text.rfind('@');
  if (at != std::string_view::npos) text.remove_prefix(at + 1);
  ProxyServer server;
  server.port = 80;
  if (!splitHostPort(text, server.host, server.port) || !plausibleHost(server.host)) return malformedProxy();
  // "host:port:port": only a bracketed IPv6 address holds colons.
  bool bracketed = text.front() == '[';
  if (!bracketed && server.host.find(':') != std::string::npos) return malformedProxy();
  return server;
}

bool bypassedByNoProxy(std::string_view list, std::string_view host, int port) {
  std::string name = folded(host);
  if (!name.empty() && name.back() == '.') name.pop_back();
  for (std::string_view entry : split(list, ", \t")) {
    if (entry == "*") return true;
    std::string pattern;
    int entryPort = 0;
    if (!splitHostPort(entry, pattern, entryPort)) continue;
    if (entryPort != 0 && entryPort != port) continue;
    pattern = folded(pattern);
    while (!pattern.empty() && (pattern.front() == '.' || pattern.front() == '*')) pattern.erase(0, 1);
    if (pattern.empty()) continue;
    if (name == pattern) return true;
    if (name.size() > pattern.size() && name.compare(name.size() - pattern.size(), pattern.size(), pattern) == 0 &&
        name[name.size() - pattern.size() - 1] == '.') {
      return true;
    }
  }
  return false;
}

ProxyServer pickFromWindowsList(std::string_view list, bool secure) {
  ProxyServer any;
  for (std::string_view entry : split(list, "; \t")) {
    size_t equals = entry.find('=');
    if (equals == std::string_view::npos) {
      if (any.direct()) any = parseProxyAddress(entry);
      continue;
    }
    if (folded(entry.substr(0, equals)) == (secure ? "https" : "http")) return parseProxyAddress(entry.substr(equals + 1));
  }
  return any;
}

bool bypassedByWindowsList(std::string_view list, std::string_view host) {
  for (std::string_view entry : split(list, "; \t\r\n")) {
    // "<local>": names without a dot, which Windows takes for the local network.
    if (folded(entry) == "<local>") {
      if (host.find('.') == std::string_view::npos && host.find(':') == std::string_view::npos) return true;
      continue;
    }
    size_t scheme = entry.find("://");
    if (scheme != std::string_view::npos) entry.remove_prefix(scheme + 3);
    if (wildcardMatch(entry, host)) return true;
  }
  return false;
}

}  // namespace platform::proxy_rules
