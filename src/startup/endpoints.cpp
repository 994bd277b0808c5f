#include "startup/endpoints.h"

#include <operator_config.h>

#include <cstddef>
#include <cstring>
#include <string_view>

#include "startup/manifest_serial.h"
#include "text/byte_encodings.h"
#include "text/port_number.h"

namespace startup {

namespace {

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

// Hosts end up inside web addresses: an IPv4 address, a host name, optionally with ":port".
bool isHostText(std::string_view s) {
  if (s.empty()) return false;
  for (char c : s) {
    bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '-' ||
              c == '_' || c == ':' || c == '[' || c == ']';
    if (!ok) return false;
  }
  return true;
}

bool isKeyText(std::string_view s) {
  if (s.empty()) return false;
  for (char c : s)
    if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_')) return false;
  return true;
}

// Where the manifest servers keep the manifest unless their address names another path.
constexpr const char* kPrimaryPath = "/dlq/UpdateInfo_test.xml";
constexpr const char* kSecondaryPath = "/buding/dlq/UpdateInfo_test.xml";

// The fields of one manifest server, the primary's or the secondary's.
struct ManifestServer {
  std::string& host;
  int& port;
  bool& secure;
  std::string& path;
  const char* fixedPath;
};

ManifestServer primaryServer(Endpoints& e) {
  return {e.manifestPrimary, e.manifestPrimaryPort, e.manifestPrimarySecure, e.manifestPrimaryPath, kPrimaryPath};
}
ManifestServer secondaryServer(Endpoints& e) {
  return {e.manifestSecondary, e.manifestSecondaryPort, e.manifestSecondarySecure, e.manifestSecondaryPath,
          kSecondaryPath};
}

bool startsWithNoCase(std::string_view s, std::string_view prefix) {
  if (s.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    char c = s[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != prefix[i]) return false;
  }
  return true;
}

// A path goes into the request line as written: visible ASCII only, no fragment, nothing
// that would end a quoted text.
bool isPathText(std::string_view s) {
  for (char c : s) {
    if (c <= ' ' || c > '~' || c == '#' || c == '"' || c == '\\') return false;
  }
  return true;
}

// "host", "host:port", "[v6]" or "[v6]:port" of a whole address.
bool splitAuthority(std::string_view authority, std::string& host, int& port) {
  size_t colon = authority.rfind(':');
  if (colon != std::string_view::npos && authority.find(']', colon) == std::string_view::npos) {
    if (!text::parsePortNumber(authority.substr(colon + 1), port)) return false;
    authority = authority.substr(0, colon);
  }
  bool bracketed = authority.size() > 2 && authority.front() == '[' && authority.back() == ']';
  if (!isHostText(authority) || (!bracketed && authority.find_first_of(":[]") != std::string_view::npos)) return false;
  host = std::string(authority);
  return true;
}

// A manifest server is a host, which leaves its port and scheme to their own keys, or a whole
// address "http[s]://host[:port][/path]", which sets all of them: the scheme's own port unless
// one is given, the usual path unless one is given. Nothing changes when the text is refused.
std::string applyManifestServer(const std::string& key, std::string_view value, ManifestServer s) {
  bool secure = startsWithNoCase(value, "https://");
  if (!secure && !startsWithNoCase(value, "http://")) {
    if (!isHostText(value)) return "'" + key + "' is not a host name or address";
    s.host = std::string(value);
    s.path = s.fixedPath;
    return {};
  }
  std::string_view rest = value.substr(secure ? 8 : 7);
  size_t slash = rest.find('/');
  std::string_view path = slash == std::string_view::npos ? std::string_view() : rest.substr(slash);
  std::string host;
  int port = secure ? 443 : 80;
  if (!splitAuthority(rest.substr(0, slash), host, port) || !isPathText(path)) {
    return "'" + key + "' is not a host name or an http:// or https:// address";
  }
  s.host = host;
  s.port = port;
  s.secure = secure;
  s.path = path.empty() || path == "/" ? std::string(s.fixedPath) : std::string(path);
  return {};
}

// The announcement page is on a host, at "/bz01.html" over plain http, or at a whole address
// "http[s]://host[:port][/path]" (the same page on that server when it names no path).
// Nothing changes when the text is refused.
std::string applyAnnouncement(const std::string& key, std::string_view value, std::string& field) {
  bool secure = startsWithNoCase(value, "https://");
  if (!secure && !startsWithNoCase(value, "http://")) {
    if (!isHostText(value)) return "'" + key + "' is not a host name or address";
    field = std::string(value);
    return {};
  }
  std::string_view rest = value.substr(secure ? 8 : 7);
  size_t slash = rest.find('/');
  std::string_view path = slash == std::string_view::npos ? std::string_view() : rest.substr(slash);
  std::string host;
  int port = 0;
  if (!splitAuthority(rest.substr(0, slash), host, port) || !isPathText(path))
    return "'" + key + "' is not a host name or an http:// or https:// address";
  field = std::string(value);
  return {};
}

// key1 and key2 are slots: an empty value clears one, so a file can also take a key away.
std::string applyTrustKey(const std::string& key, std::string_view value, Endpoints& e) {
  if (key == "trust.min_serial") {
    auto serial = value.empty() ? std::optional<uint64_t>(0) : parseSerial(std::string(value));
    if (!serial) return "'trust.min_serial' is not a serial (1 to 18 decimal digits)";
    e.minimumSerial = *serial;
    return {};
  }
  if (key == "trust.required") {
    if (value == "yes" || value == "true") e.signaturesRequiredSetting = true;
    else if (value == "no" || value == "false") e.signaturesRequiredSetting = false;
    else if (value.empty()) e.signaturesRequiredSetting.reset();
    else return "'trust.required' must be yes or no";
    return {};
  }
  int slot = key == "trust.key1" ? 0 : key == "trust.key2" ? 1 : -1;
  if (slot < 0) return "unknown key '" + key + "'";
  if (value.empty()) {
    e.trustKeys[slot].reset();
    return {};
  }
  e.trustKeys[slot] = parseTrustKey(std::string(value));
  if (!e.trustKeys[slot]) return "'" + key + "' is not a P-256 public key (base64 or hex of the 65-byte point)";
  return {};
}

// Sets one key; an empty text on return means it was accepted.
std::string applyKey(const std::string& key, std::string_view value, Endpoints& e) {
  struct HostKey {
    const char* name;
    std::string Endpoints::*field;
  };
  static const HostKey kHosts[] = {
      {"web.site", &Endpoints::site},       {"web.forum", &Endpoints::forum},
      {"web.account", &Endpoints::account}, {"web.qq", &Endpoints::qq},
  };
  if (key.starts_with("trust.")) return applyTrustKey(key, value, e);
  if (key == "web.announcement") return applyAnnouncement(key, value, e.announcement);
  if (key == "manifest.primary") return applyManifestServer(key, value, primaryServer(e));
  if (key == "manifest.secondary") return applyManifestServer(key, value, secondaryServer(e));
  for (const auto& h : kHosts) {
    if (key != h.name) continue;
    if (!isHostText(value)) return "'" + key + "' is not a host name or address";
    e.*h.field = std::string(value);
    return {};
  }
  if (key == "manifest.primary_port" || key == "manifest.secondary_port") {
    int& port = key == "manifest.primary_port" ? e.manifestPrimaryPort : e.manifestSecondaryPort;
    return text::parsePortNumber(value, port) ? std::string() : "'" + key + "' is not a port number from 1 to 65535";
  }
  if (key == "manifest.primary_scheme" || key == "manifest.secondary_scheme") {
    bool& secure = key == "manifest.primary_scheme" ? e.manifestPrimarySecure : e.manifestSecondarySecure;
    if (value != "http" && value != "https") return "'" + key + "' is neither http nor https";
    secure = value == "https";
    return {};
  }
  if (key == "web.qq_key") {
    if (!isKeyText(value)) return "'web.qq_key' may hold only letters, digits and underscores";
    e.qqKey = std::string(value);
    return {};
  }
  return "unknown key '" + key + "'";
}

}  // namespace

std::optional<platform::P256PublicKey> parseTrustKey(const std::string& text) {
  std::optional<std::string> bytes = text.size() == 130 ? text::fromHex(text) : text::fromBase64(text);
  platform::P256PublicKey key{};
  if (!bytes || bytes->size() != key.size() || static_cast<uint8_t>((*bytes)[0]) != 0x04) return std::nullopt;
  std::memcpy(key.data(), bytes->data(), key.size());
  return key;
}

std::string Endpoints::announcementAddress() const {
  constexpr std::string_view kPage = "/bz01.html";
  bool secure = startsWithNoCase(announcement, "https://");
  if (!secure && !startsWithNoCase(announcement, "http://")) return "http://" + announcement + std::string(kPage);
  size_t slash = announcement.find('/', secure ? 8 : 7);
  if (slash == std::string::npos) return announcement + std::string(kPage);
  if (slash + 1 == announcement.size()) return announcement.substr(0, slash) + std::string(kPage);
  return announcement;
}

std::vector<platform::P256PublicKey> Endpoints::trustedKeys() const {
  std::vector<platform::P256PublicKey> keys;
  for (const auto& k : trustKeys)
    if (k) keys.push_back(*k);
  return keys;
}

Endpoints::Endpoints()
    : announcement(operator_config::kAnnouncement),
      site(operator_config::kSite),
      forum(operator_config::kForum),
      account(operator_config::kAccount),
      qq(operator_config::kQq),
      qqKey(operator_config::kQqKey) {
  // The build checked these too; a text that still does not read is kept as the host it was.
  if (!applyManifestServer("", operator_config::kManifestPrimary, primaryServer(*this)).empty()) {
    manifestPrimary = operator_config::kManifestPrimary;
    manifestPrimaryPath = kPrimaryPath;
  }
  if (!applyManifestServer("", operator_config::kManifestSecondary, secondaryServer(*this)).empty()) {
    manifestSecondary = operator_config::kManifestSecondary;
    manifestSecondaryPath = kSecondaryPath;
  }
  // The build checked these; a compiled-in key that still does not read stays a key that
  // verifies nothing, so a broken build refuses manifests instead of trusting them all.
  const char* compiled[2] = {operator_config::kTrustKey1, operator_config::kTrustKey2};
  for (size_t i = 0; i < trustKeys.size(); ++i)
    if (*compiled[i] != '\0') trustKeys[i] = parseTrustKey(compiled[i]).value_or(platform::P256PublicKey{});
  std::string_view required = operator_config::kTrustRequired;
  if (required == "yes" || required == "true") signaturesRequiredSetting = true;
  if (required == "no" || required == "false") signaturesRequiredSetting = false;
  minimumSerial = operator_config::kTrustMinSerial;
}

bool applyEndpointsText(const std::string& text, Endpoints& endpoints, std::string& error) {
  Endpoints result = endpoints;
  std::string section;
  size_t lineNumber = 0;
  for (size_t start = 0; start <= text.size();) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string_view line(text.data() + start, end - start);
    start = end + 1;
    ++lineNumber;
    line = trim(line.substr(0, line.find_first_of(";#")));
    if (line.empty()) continue;
    std::string where = "line " + std::to_string(lineNumber) + ": ";
    if (line.front() == '[') {
      if (line.back() != ']' || line.size() < 3) {
        error = where + "malformed section header";
        return false;
      }
      section = std::string(line.substr(1, line.size() - 2));
      continue;
    }
    size_t eq = line.find('=');
    if (eq == std::string_view::npos) {
      error = where + "expected 'key = value'";
      return false;
    }
    std::string key = section + "." + std::string(trim(line.substr(0, eq)));
    std::string problem = applyKey(key, trim(line.substr(eq + 1)), result);
    if (!problem.empty()) {
      error = where + problem;
      return false;
    }
  }
  if (result.signaturesRequired() && !result.trustActive()) {
    error = "'trust.required' is yes, but no key is set";
    return false;
  }
  endpoints = result;
  return true;
}

}  // namespace startup
