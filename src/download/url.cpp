#include "download/url.h"

#include <cctype>
#include <cstring>

#include "download/engine_texts.h"

namespace download {

namespace {

bool startsWithBlank(const std::string& t, size_t pos, size_t end, size_t& width) {
  if (pos < end && t[pos] == ' ') return (width = 1), true;
  if (pos + 1 < end && std::memcmp(t.data() + pos, texts::kFullWidthSpace, 2) == 0) return (width = 2), true;
  return false;
}

bool endsWithBlank(const std::string& t, size_t begin, size_t end, size_t& width) {
  if (end > begin && t[end - 1] == ' ') return (width = 1), true;
  if (end >= begin + 2 && std::memcmp(t.data() + end - 2, texts::kFullWidthSpace, 2) == 0) {
    // The pair must be a whole character: count the lead bytes before it to be sure it
    // is not the trail byte of one character followed by the lead byte of another.
    size_t i = begin;
    while (i < end - 2) i += static_cast<unsigned char>(t[i]) >= 0x81 ? 2 : 1;
    if (i == end - 2) return (width = 2), true;
  }
  return false;
}

bool parsePort(const std::string& text, int& port) {
  if (text.empty() || text.size() > 5) return false;
  int value = 0;
  for (char c : text) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    value = value * 10 + (c - '0');
  }
  if (value < 1 || value > 65535) return false;
  port = value;
  return true;
}

bool hasPrefixFolded(const std::string& text, const char* prefix) {
  size_t n = std::strlen(prefix);
  if (text.size() < n) return false;
  for (size_t i = 0; i < n; ++i) {
    if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
  }
  return true;
}

}  // namespace

std::string trimBlanks(const std::string& text) {
  size_t begin = 0, end = text.size(), width = 0;
  while (startsWithBlank(text, begin, end, width)) begin += width;
  while (endsWithBlank(text, begin, end, width)) end -= width;
  return text.substr(begin, end - begin);
}

bool parseUrl(const std::string& text, Url& url) {
  std::string rest = text;
  if (hasPrefixFolded(rest, "http://")) {
    rest.erase(0, 7);
  } else if (rest.find("://") != std::string::npos) {
    return false;  // another scheme: this engine speaks plain HTTP only
  }
  // The fragment is never sent; the host ends where the path or the query begins, so a
  // host-less address with a query ("http://?t=1") has an empty host and is refused.
  rest = rest.substr(0, rest.find('#'));
  size_t hostEnd = rest.find_first_of("/?");
  std::string authority = rest.substr(0, hostEnd);
  Url out;
  if (hostEnd == std::string::npos) {
    out.path = "/";
  } else {
    out.path = rest[hostEnd] == '/' ? rest.substr(hostEnd) : "/" + rest.substr(hostEnd);
  }
  size_t colon = authority.rfind(':');
  if (colon != std::string::npos && authority.find(']', colon) == std::string::npos) {
    if (!parsePort(authority.substr(colon + 1), out.port)) return false;
    authority.resize(colon);
  }
  if (authority.size() > 2 && authority.front() == '[' && authority.back() == ']') {
    authority = authority.substr(1, authority.size() - 2);
  }
  if (authority.empty()) return false;
  for (char c : authority) {
    if (static_cast<unsigned char>(c) <= ' ' || c == '@' || c == '[' || c == ']' || c == '\\') return false;
  }
  for (char c : out.path) {
    if (c == '\r' || c == '\n' || c == '\0') return false;  // would break the request head
  }
  out.host = authority;
  url = out;
  return true;
}

std::string withoutStamp(const std::string& path) {
  size_t at = path.rfind("?t=");
  if (at == std::string::npos || path.find_first_of("/?&#", at + 1) != std::string::npos) return path;
  return path.substr(0, at);
}

bool sameResource(const Url& a, const Url& b) {
  if (a.port != b.port || a.host.size() != b.host.size()) return false;
  for (size_t i = 0; i < a.host.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a.host[i])) != std::tolower(static_cast<unsigned char>(b.host[i]))) {
      return false;
    }
  }
  return withoutStamp(a.path) == withoutStamp(b.path);
}

std::string formatUrl(const Url& url) {
  std::string host = url.host.find(':') != std::string::npos ? "[" + url.host + "]" : url.host;
  std::string port = url.port == 80 ? "" : ":" + std::to_string(url.port);
  return "http://" + host + port + url.path;
}

std::string defaultReferer(const std::string& address) {
  size_t slash = address.rfind('/');
  return slash == std::string::npos ? address : address.substr(0, slash);
}

bool resolveLocation(const Url& base, const std::string& location, Url& target) {
  std::string loc = trimBlanks(location);
  if (loc.empty()) return false;
  if (loc[0] == '/' && (loc.size() < 2 || loc[1] != '/')) {
    for (char c : loc) {
      if (c == '\r' || c == '\n' || c == '\0') return false;
    }
    target = base;
    target.path = loc;
    return true;
  }
  if (!hasPrefixFolded(loc, "http://")) return false;
  return parseUrl(loc, target);
}

}  // namespace download
