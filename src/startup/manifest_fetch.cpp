#include "startup/manifest_fetch.h"

#include "startup/cache_busting.h"
#include "support/support_notes.h"

namespace startup {

namespace {

constexpr const char* kPrimaryPath = "/dlq/UpdateInfo_test.xml";
constexpr const char* kSecondaryPath = "/buding/dlq/UpdateInfo_test.xml";

// Why an answer is of no use, or empty when it is a manifest with at least one server line.
std::string manifestProblem(state::AppState& app, const std::string& body) {
  if (!parseManifest(app.manifestDocument, body)) return body.empty() ? "no answer" : "not a readable manifest";
  if (manifestCount(app.manifestDocument, "UpdateInfo/ServerList") < 1) return "no server lines";
  return {};
}

// One address, asked once: usable when the body parses and lists at least one server line.
bool fetchFrom(state::AppState& app, const std::string& host, int port, const std::string& path) {
  std::string query = path + "?t=" + cacheBustingStamp(app.platform.system);
  std::string problem = manifestProblem(app, app.platform.http.get(host, port, query));
  app.log.write(support::manifestNote(host, port, problem));
  return problem.empty();
}

}  // namespace

bool fetchManifest(state::AppState& app) {
  const Endpoints& e = app.endpoints;
  if (fetchFrom(app, e.manifestPrimary, e.manifestPrimaryPort, kPrimaryPath)) return true;
  if (fetchFrom(app, e.manifestSecondary, e.manifestSecondaryPort, kSecondaryPath)) return true;
  // A document without server lines is of no use to anyone after this.
  app.manifestDocument.xml.clear();
  app.log.write(support::noManifestNote());
  return false;
}

}  // namespace startup
