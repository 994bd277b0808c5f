#include "startup/manifest_fetch.h"

#include "startup/cache_busting.h"
#include "startup/manifest_serial.h"
#include "startup/manifest_signature.h"

namespace startup {

namespace {

constexpr const char* kPrimaryPath = "/dlq/UpdateInfo_test.xml";
constexpr const char* kSecondaryPath = "/buding/dlq/UpdateInfo_test.xml";

bool parseUsable(state::AppState& app, std::string_view bytes) {
  return parseManifest(app.manifestDocument, bytes) && manifestCount(app.manifestDocument, "UpdateInfo/ServerList") >= 1;
}

// A signed manifest must not be older than the newest one this folder accepted; a newer one
// becomes the newest. A folder that cannot keep the serial still gets its update.
bool acceptSerial(state::AppState& app) {
  auto serial = parseSerial(manifestAttribute(app.manifestDocument, "UpdateInfo", "serial"));
  if (!serial) return false;
  auto& files = app.platform.files;
  auto stored = readStoredSerial(files, app.clientFolder);
  if (stored && *serial < *stored) return false;
  if (!stored || *serial > *stored) storeSerial(files, app.clientFolder, *serial);
  return true;
}

ManifestOutcome checkTrusted(state::AppState& app, const std::string& body) {
  const Endpoints& e = app.endpoints;
  std::string_view signedPart;
  SignatureCheck check = checkSignature(body, e.trustedKeys(), signedPart);
  if (check == SignatureCheck::kMissing) {
    // Not signed at all: a failure of the address as ever when it is no manifest; a manifest
    // that should have been signed cannot be trusted.
    if (!parseUsable(app, body)) return ManifestOutcome::kUnusable;
    return e.signaturesRequired() ? ManifestOutcome::kUnverified : ManifestOutcome::kUsable;
  }
  if (check != SignatureCheck::kValid) return ManifestOutcome::kUnverified;
  // Only the signed bytes are read, so nothing outside the signature can add to the manifest.
  if (!parseUsable(app, signedPart)) return ManifestOutcome::kUnusable;
  return acceptSerial(app) ? ManifestOutcome::kUsable : ManifestOutcome::kUnverified;
}

// One address, asked once: usable when the body parses and lists at least one server line
// (and, with keys, passes the checks above).
ManifestOutcome fetchFrom(state::AppState& app, const std::string& host, int port, const std::string& path) {
  std::string query = path + "?t=" + cacheBustingStamp(app.platform.system);
  std::string body = app.platform.http.get(host, port, query);
  if (!app.endpoints.trustActive())
    return parseUsable(app, body) ? ManifestOutcome::kUsable : ManifestOutcome::kUnusable;
  ManifestOutcome outcome = checkTrusted(app, body);
  if (outcome != ManifestOutcome::kUsable) app.manifestDocument.xml.clear();
  return outcome;
}

}  // namespace

ManifestOutcome fetchCheckedManifest(state::AppState& app) {
  const Endpoints& e = app.endpoints;
  ManifestOutcome first = fetchFrom(app, e.manifestPrimary, e.manifestPrimaryPort, kPrimaryPath);
  if (first == ManifestOutcome::kUsable) return first;
  ManifestOutcome second = fetchFrom(app, e.manifestSecondary, e.manifestSecondaryPort, kSecondaryPath);
  if (second == ManifestOutcome::kUsable) return second;
  // A document without server lines is of no use to anyone after this.
  app.manifestDocument.xml.clear();
  bool refused = first == ManifestOutcome::kUnverified || second == ManifestOutcome::kUnverified;
  return refused ? ManifestOutcome::kUnverified : ManifestOutcome::kUnusable;
}

bool fetchManifest(state::AppState& app) { return fetchCheckedManifest(app) == ManifestOutcome::kUsable; }

}  // namespace startup
