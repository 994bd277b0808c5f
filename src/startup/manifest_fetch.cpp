#include "startup/manifest_fetch.h"

#include <new>

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

// A signed manifest's own date, when it has one: past it, the manifest is no longer vouched for.
std::string expiryProblem(state::AppState& app) {
  std::string expires = manifestAttribute(app.manifestDocument, "UpdateInfo", "expires");
  if (expires.empty()) return {};
  auto until = parseSerial(expires);
  if (!until) return "expiry not readable";
  int64_t now = app.platform.system.utcSeconds();
  if (now > 0 && static_cast<uint64_t>(now) > *until) return "expired";
  return {};
}

// A signed manifest must not be older than this launcher nor than the newest one this folder
// accepted, nor past its expiry; an accepted newer one becomes the newest. A folder that
// cannot keep the serial still gets its update.
std::string serialProblem(state::AppState& app) {
  auto serial = parseSerial(manifestAttribute(app.manifestDocument, "UpdateInfo", "serial"));
  if (!serial) return "signed without a serial";
  if (*serial < app.endpoints.minimumSerial) return "serial older than this launcher";
  auto& files = app.platform.files;
  auto stored = readStoredSerial(files, app.clientFolder);
  if (stored && *serial < *stored) return "serial older than the newest accepted";
  if (std::string problem = expiryProblem(app); !problem.empty()) return problem;
  if (!stored || *serial > *stored) storeSerial(files, app.clientFolder, *serial);
  return {};
}

// The [trust] slot holding the key with this id: "key1", "key2", or empty when neither does.
std::string trustSlotOf(const Endpoints& e, const std::string& keyId) {
  for (size_t i = 0; i < e.trustKeys.size(); ++i)
    if (e.trustKeys[i] && keyIdOf(*e.trustKeys[i]) == keyId) return "key" + std::to_string(i + 1);
  return {};
}

// Why a signature was refused, for the log: a key this build does not hold is told apart from
// a key it holds whose signature does not match (a changed manifest or a broken signing).
std::string signatureProblem(const Endpoints& e, SignatureCheck check, const std::string& keyId) {
  if (check == SignatureCheck::kUnknownKey) return "signed by an unknown key " + keyId;
  if (check == SignatureCheck::kWrong) return "signature does not match " + trustSlotOf(e, keyId) + " " + keyId;
  return "signature not readable";
}

// `signer` tells which key vouched for an accepted signed manifest, and its serial.
ManifestOutcome checkTrusted(state::AppState& app, const std::string& body, std::string& problem,
                             std::string& signer) {
  const Endpoints& e = app.endpoints;
  std::string_view signedPart;
  SignatureCheck check = checkSignature(body, e.trustedKeys(), signedPart);
  if (check == SignatureCheck::kMissing && e.signaturesRequired()) {
    // Nothing unsigned is parsed. Whether it was meant as a manifest decides only what the
    // player hears: a server's error page is a failed address, not a forgery.
    bool manifestLike = body.find("<UpdateInfo") != std::string::npos;
    problem = body.empty() ? "no answer" : manifestLike ? "not signed" : "not a readable manifest";
    return manifestLike ? ManifestOutcome::kUnverified : ManifestOutcome::kUnusable;
  }
  if (check == SignatureCheck::kMissing) {
    problem = manifestProblem(app, body);
    return problem.empty() ? ManifestOutcome::kUsable : ManifestOutcome::kUnusable;
  }
  std::string keyId = signatureKeyId(body);
  if (check != SignatureCheck::kValid) {
    problem = signatureProblem(e, check, keyId);
    return ManifestOutcome::kUnverified;
  }
  // Only the signed bytes are read, so nothing outside the signature can add to the manifest.
  problem = manifestProblem(app, signedPart);
  if (!problem.empty()) return ManifestOutcome::kUnusable;
  problem = serialProblem(app);
  if (!problem.empty()) return ManifestOutcome::kUnverified;
  auto serial = parseSerial(manifestAttribute(app.manifestDocument, "UpdateInfo", "serial"));
  signer = support::signerNote(trustSlotOf(e, keyId), keyId, serial.value_or(0));
  return ManifestOutcome::kUsable;
}

// The answer of one address, checked; an answer too large to hold is refused like any other.
ManifestOutcome checkAnswer(state::AppState& app, const std::string& host, int port, bool secure,
                            const std::string& query, std::string& problem, std::string& signer) {
  try {
    platform::HttpAnswer answer = app.platform.http.get(host, port, query, secure);
    if (answer.refusal != platform::HttpAnswer::Refusal::none) {
      bool slow = answer.refusal == platform::HttpAnswer::Refusal::tooSlow;
      problem = slow ? "no whole answer within the deadline" : "answer larger than a manifest may be";
      return ManifestOutcome::kUnusable;
    }
    const std::string& body = answer.body;
    if (app.endpoints.trustActive()) return checkTrusted(app, body, problem, signer);
    problem = manifestProblem(app, body);
    return problem.empty() ? ManifestOutcome::kUsable : ManifestOutcome::kUnusable;
  } catch (const std::bad_alloc&) {
    app.manifestDocument.xml.clear();
    problem = "answer larger than a manifest may be";
    return ManifestOutcome::kUnusable;
  }
}

// One address, asked once: usable when the body parses and lists at least one server line
// (and, with keys, passes the checks above).
ManifestOutcome fetchFrom(state::AppState& app, const std::string& host, int port, bool secure,
                          const std::string& path) {
  // An operator's path may bring a query of its own (a signed address of an object store).
  const char* joint = path.find('?') == std::string::npos ? "?t=" : "&t=";
  std::string query = path + joint + cacheBustingStamp(app.platform.system);
  std::string problem, signer;
  ManifestOutcome outcome = checkAnswer(app, host, port, secure, query, problem, signer);
  app.log.write(support::manifestNote(host, port, problem, signer));
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
