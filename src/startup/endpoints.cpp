#include "startup/endpoints.h"

#include <operator_config.h>

#include <cstddef>
#include <cstring>
#include <string_view>

#include "text/byte_encodings.h"

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

bool parsePort(std::string_view s, int& port) {
  if (s.empty() || s.size() > 5) return false;
  int value = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  if (value < 1 || value > 65535) return false;
  port = value;
  return true;
}

// key1 and key2 are slots: an empty value clears one, so a file can also take a key away.
std::string applyTrustKey(const std::string& key, std::string_view value, Endpoints& e) {
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
      {"manifest.primary", &Endpoints::manifestPrimary}, {"manifest.secondary", &Endpoints::manifestSecondary},
      {"web.announcement", &Endpoints::announcement},    {"web.site", &Endpoints::site},
      {"web.forum", &Endpoints::forum},                  {"web.account", &Endpoints::account},
      {"web.qq", &Endpoints::qq},
  };
  if (key.starts_with("trust.")) return applyTrustKey(key, value, e);
  for (const auto& h : kHosts) {
    if (key != h.name) continue;
    if (!isHostText(value)) return "'" + key + "' is not a host name or address";
    e.*h.field = std::string(value);
    return {};
  }
  if (key == "manifest.primary_port" || key == "manifest.secondary_port") {
    int& port = key == "manifest.primary_port" ? e.manifestPrimaryPort : e.manifestSecondaryPort;
    return parsePort(value, port) ? std::string() : "'" + key + "' is not a port number from 1 to 65535";
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

std::vector<platform::P256PublicKey> Endpoints::trustedKeys() const {
  std::vector<platform::P256PublicKey> keys;
  for (const auto& k : trustKeys)
    if (k) keys.push_back(*k);
  return keys;
}

Endpoints::Endpoints()
    : manifestPrimary(operator_config::kManifestPrimary),
      manifestSecondary(operator_config::kManifestSecondary),
      announcement(operator_config::kAnnouncement),
      site(operator_config::kSite),
      forum(operator_config::kForum),
      account(operator_config::kAccount),
      qq(operator_config::kQq),
      qqKey(operator_config::kQqKey) {
  // The build checked these; a compiled-in key that still does not read stays a key that
  // verifies nothing, so a broken build refuses manifests instead of trusting them all.
  const char* compiled[2] = {operator_config::kTrustKey1, operator_config::kTrustKey2};
  for (size_t i = 0; i < trustKeys.size(); ++i)
    if (*compiled[i] != '\0') trustKeys[i] = parseTrustKey(compiled[i]).value_or(platform::P256PublicKey{});
  std::string_view required = operator_config::kTrustRequired;
  if (required == "yes" || required == "true") signaturesRequiredSetting = true;
  if (required == "no" || required == "false") signaturesRequiredSetting = false;
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
