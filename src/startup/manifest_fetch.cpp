#include "startup/manifest_fetch.h"

#include "startup/cache_busting.h"
#include "startup/manifest_serial.h"
#include "startup/manifest_signature.h"
#include "support/support_notes.h"

namespace startup {

namespace {

// Why an answer is of no use, or empty when it is a manifest with at least one server line.
std::string manifestProblem(state::AppState& app, std::string_view body) {
  if (!parseManifest(app.manifestDocument, body)) return body.empty() ? "no answer" : "not a readable manifest";
  if (manifestCount(app.manifestDocument, "UpdateInfo/ServerList") < 1) return "no server lines";
  return {};
}

// A signed manifest must not be older than the newest one this folder accepted; a newer one
// becomes the newest. A folder that cannot keep the serial still gets its update.
std::string serialProblem(state::AppState& app) {
  auto serial = parseSerial(manifestAttribute(app.manifestDocument, "UpdateInfo", "serial"));
  if (!serial) return "signed without a serial";
  auto& files = app.platform.files;
  auto stored = readStoredSerial(files, app.clientFolder);
  if (stored && *serial < *stored) return "serial older than the newest accepted";
  if (!stored || *serial > *stored) storeSerial(files, app.clientFolder, *serial);
  return {};
}

ManifestOutcome checkTrusted(state::AppState& app, const std::string& body, std::string& problem) {
  const Endpoints& e = app.endpoints;
  std::string_view signedPart;
  SignatureCheck check = checkSignature(body, e.trustedKeys(), signedPart);
  if (check == SignatureCheck::kMissing) {
    // Not signed at all: a failure of the address as ever when it is no manifest; a manifest
    // that should have been signed cannot be trusted.
    problem = manifestProblem(app, body);
    if (!problem.empty()) return ManifestOutcome::kUnusable;
    if (!e.signaturesRequired()) return ManifestOutcome::kUsable;
    problem = "not signed";
    return ManifestOutcome::kUnverified;
  }
  if (check != SignatureCheck::kValid) {
    problem = "signature not verified";
    return ManifestOutcome::kUnverified;
  }
  // Only the signed bytes are read, so nothing outside the signature can add to the manifest.
  problem = manifestProblem(app, signedPart);
  if (!problem.empty()) return ManifestOutcome::kUnusable;
  problem = serialProblem(app);
  return problem.empty() ? ManifestOutcome::kUsable : ManifestOutcome::kUnverified;
}

// One address, asked once: usable when the body parses and lists at least one server line
// (and, with keys, passes the checks above).
ManifestOutcome fetchFrom(state::AppState& app, const std::string& host, int port, bool secure,
                          const std::string& path) {
  // An operator's path may bring a query of its own (a signed address of an object store).
  const char* joint = path.find('?') == std::string::npos ? "?t=" : "&t=";
  std::string query = path + joint + cacheBustingStamp(app.platform.system);
  std::string body = app.platform.http.get(host, port, query, secure);
  std::string problem;
  ManifestOutcome outcome = ManifestOutcome::kUsable;
  if (app.endpoints.trustActive()) {
    outcome = checkTrusted(app, body, problem);
  } else {
    problem = manifestProblem(app, body);
    if (!problem.empty()) outcome = ManifestOutcome::kUnusable;
  }
  app.log.write(support::manifestNote(host, port, problem));
  if (outcome != ManifestOutcome::kUsable) app.manifestDocument.xml.clear();
  return outcome;
}

}  // namespace

ManifestOutcome fetchCheckedManifest(state::AppState& app) {
  const Endpoints& e = app.endpoints;
  ManifestOutcome first = fetchFrom(app, e.manifestPrimary, e.manifestPrimaryPort, e.manifestPrimarySecure,
                                    e.manifestPrimaryPath);
  if (first == ManifestOutcome::kUsable) return first;
  ManifestOutcome second = fetchFrom(app, e.manifestSecondary, e.manifestSecondaryPort, e.manifestSecondarySecure,
                                     e.manifestSecondaryPath);
  if (second == ManifestOutcome::kUsable) return second;
  // A document without server lines is of no use to anyone after this.
  app.manifestDocument.xml.clear();
  app.log.write(support::noManifestNote());
  bool refused = first == ManifestOutcome::kUnverified || second == ManifestOutcome::kUnverified;
  return refused ? ManifestOutcome::kUnverified : ManifestOutcome::kUnusable;
}

bool fetchManifest(state::AppState& app) { return fetchCheckedManifest(app) == ManifestOutcome::kUsable; }

}  // namespace startup
