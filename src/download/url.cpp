#include "download/url.h"

#include <cctype>
#include <cstring>
#include <vector>

#include "download/engine_texts.h"
#include "text/port_number.h"

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

int defaultPort(bool secure) { return secure ? 443 : 80; }

bool hasPrefixFolded(const std::string& text, const char* prefix) {
  size_t n = std::strlen(prefix);
  if (text.size() < n) return false;
  for (size_t i = 0; i < n; ++i) {
    if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
  }
  return true;
}

// The path with "." and ".." steps taken out, as a relative reference is resolved; the
// query is left alone.
std::string removeDotSegments(const std::string& pathAndQuery) {
  size_t queryAt = pathAndQuery.find('?');
  std::string path = pathAndQuery.substr(0, queryAt);
  std::string query = queryAt == std::string::npos ? "" : pathAndQuery.substr(queryAt);
  std::vector<std::string> kept;
  size_t at = 1;  // past the leading '/'
  bool endsInFolder = false;
  while (at <= path.size()) {
    size_t next = path.find('/', at);
    if (next == std::string::npos) next = path.size();
    std::string step = path.substr(at, next - at);
    endsInFolder = step == "." || step == "..";
    if (step == "..") {
      if (!kept.empty()) kept.pop_back();
    } else if (step != ".") {
      kept.push_back(step);
    }
    at = next + 1;
  }
  std::string out;
  for (const std::string& step : kept) out += "/" + step;
  if (out.empty() || endsInFolder) out += "/";
  return out + query;
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
  bool secure = false;
  if (hasPrefixFolded(rest, "http://")) {
    rest.erase(0, 7);
  } else if (hasPrefixFolded(rest, "https://")) {
    rest.erase(0, 8);
    secure = true;
  } else if (rest.find("://") != std::string::npos) {
    return false;  // another scheme: this engine speaks HTTP and HTTPS only
  }
  // The fragment is never sent; the host ends where the path or the query begins, so a
  // host-less address with a query ("http://?t=1") has an empty host and is refused.
  rest = rest.substr(0, rest.find('#'));
  size_t hostEnd = rest.find_first_of("/?");
  std::string authority = rest.substr(0, hostEnd);
  Url out;
  out.secure = secure;
  out.port = secure ? 443 : 80;
  if (hostEnd == std::string::npos) {
    out.path = "/";
  } else {
    out.path = rest[hostEnd] == '/' ? rest.substr(hostEnd) : "/" + rest.substr(hostEnd);
  }
  size_t colon = authority.rfind(':');
  if (colon != std::string::npos && authority.find(']', colon) == std::string::npos) {
    if (!text::parsePortNumber(authority.substr(colon + 1), out.port)) return false;
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
  if (a.secure != b.secure || a.port != b.port || a.host.size() != b.host.size()) return false;
  for (size_t i = 0; i < a.host.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a.host[i])) != std::tolower(static_cast<unsigned char>(b.host[i]))) {
      return false;
    }
  }
  return withoutStamp(a.path) == withoutStamp(b.path);
}

std::string formatUrl(const Url& url) {
  std::string host = url.host.find(':') != std::string::npos ? "[" + url.host + "]" : url.host;
  std::string port = url.port == defaultPort(url.secure) ? "" : ":" + std::to_string(url.port);
  return (url.secure ? "https://" : "http://") + host + port + url.path;
}

std::string defaultReferer(const std::string& address) {
  size_t slash = address.rfind('/');
  return slash == std::string::npos ? address : address.substr(0, slash);
}

namespace {

bool isControl(char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }

// Bytes a request line may not carry as they stand: the blank that would end the target,
// what lies beyond ASCII (a server's GBK or UTF-8 file name) and the few that URLs exclude.
bool needsEncoding(char c) {
  return c == ' ' || static_cast<unsigned char>(c) >= 0x80 || std::strchr("\"<>\\^`{|}", c) != nullptr;
}

std::string percentEncoded(const std::string& path) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (char c : path) {
    if (!needsEncoding(c)) {
      out += c;
      continue;
    }
    unsigned char b = static_cast<unsigned char>(c);
    out += '%';
    out += kHex[b >> 4];
    out += kHex[b & 0xF];
  }
  return out;
}

bool resolveUnencoded(const Url& base, std::string loc, Url& target) {
  if (hasPrefixFolded(loc, "http://") || hasPrefixFolded(loc, "https://")) {
    Url parsed;
    if (!parseUrl(loc, parsed)) return false;
    // Going from https to plain http would hand the file to anyone on the way.
    if (base.secure && !parsed.secure) return false;
    target = parsed;
    return true;
  }
  if (loc.find("://") != std::string::npos && loc.find("://") < loc.find_first_of("/?#")) return false;
  if (loc.compare(0, 2, "//") == 0) {
    Url parsed;
    if (!parseUrl((base.secure ? "https:" : "http:") + loc, parsed)) return false;
    target = parsed;
    return true;
  }
  loc = loc.substr(0, loc.find('#'));
  Url out = base;
  if (loc.empty()) {
    target = out;
    return true;
  }
  if (loc[0] == '/') {
    out.path = removeDotSegments(loc);
  } else if (loc[0] == '?') {
    out.path = base.path.substr(0, base.path.find('?')) + loc;
  } else {
    std::string basePath = base.path.substr(0, base.path.find('?'));
    out.path = removeDotSegments(basePath.substr(0, basePath.rfind('/') + 1) + loc);
  }
  target = out;
  return true;
}

}  // namespace

// Servers write what they like into Location; the request line carries it only encoded,
// and a control byte (a line break above all) would let the answer write the request.
bool resolveLocation(const Url& base, const std::string& location, Url& target) {
  std::string loc = trimBlanks(location);
  if (loc.empty()) return false;
  for (char c : loc) {
    if (isControl(c)) return false;
  }
  Url resolved;
  if (!resolveUnencoded(base, loc, resolved)) return false;
  resolved.path = percentEncoded(resolved.path);
  target = resolved;
  return true;
}

}  // namespace download
