#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/crypto.h"

namespace startup {

// The operator's addresses: hosts, whose ports, paths and queries stay fixed in the code that
// uses them; only a manifest server and the announcement page may instead be given as a whole
// address with its own scheme, port and path. A default-built value holds the addresses compiled in from
// config/operator.ini.
struct Endpoints {
  Endpoints();

  std::string manifestPrimary;
  int manifestPrimaryPort = 8888;
  std::string manifestSecondary;
  int manifestSecondaryPort = 8282;
  // The manifest over TLS (https) instead of plain http.
  bool manifestPrimarySecure = false;
  bool manifestSecondarySecure = false;
  // Where on its server the manifest is; the stamp query is added to it.
  std::string manifestPrimaryPath;
  std::string manifestSecondaryPath;
  // A host serving "/bz01.html" over plain http, or a whole http:// or https:// address.
  std::string announcement;
  std::string site;          // official site, plain http, default port
  std::string forum;         // forum site, plain http, default port
  std::string account;       // account server, plain http, port 8888
  std::string qq;            // QQ group service, https
  std::string qqKey;         // the group's invitation key

  // Public keys that may sign the manifest (at most two, so a key can be rotated), and whether
  // a manifest must be signed; unset means "required as soon as a key is set".
  // key1 and key2 of the [trust] section.
  std::array<std::optional<platform::P256PublicKey>, 2> trustKeys;
  std::optional<bool> signaturesRequiredSetting;
  // The lowest serial a signed manifest may carry, whatever this client folder has seen:
  // min_serial, or for a build with a key the time it was configured, so a launcher never
  // accepts a manifest older than itself.
  uint64_t minimumSerial = 0;

  // The page the web view shows: "http://" + host + "/bz01.html", or the whole address as
  // given, with "/bz01.html" as its path when it names none.
  std::string announcementAddress() const;

  std::vector<platform::P256PublicKey> trustedKeys() const;
  // True when a key is configured: manifests are checked and sha256 attributes honoured.
  bool trustActive() const { return trustKeys[0] || trustKeys[1]; }
  bool signaturesRequired() const { return signaturesRequiredSetting.value_or(trustActive()); }
};

// A public key as written in the [trust] section: base64 of the 65-byte uncompressed point (as
// manifest-maker --keygen prints it) or the same 65 bytes as 130 hexadecimal digits.
std::optional<platform::P256PublicKey> parseTrustKey(const std::string& text);

// Applies an endpoints file (the format of config/operator.ini) over `endpoints`: keys it sets
// replace the values, keys it leaves out keep them. On a malformed file `endpoints` is left
// unchanged and `error` says what and where.
bool applyEndpointsText(const std::string& text, Endpoints& endpoints, std::string& error);

}  // namespace startup
