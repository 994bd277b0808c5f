#include "startup/manifest_fetch.h"

#include "startup/cache_busting.h"

namespace startup {

namespace {

constexpr const char* kPrimaryPath = "/dlq/UpdateInfo_test.xml";
constexpr const char* kSecondaryPath = "/buding/dlq/UpdateInfo_test.xml";

// One address, asked once: usable when the body parses and lists at least one server line.
bool fetchFrom(state::AppState& app, const std::string& host, int port, const std::string& path) {
  std::string query = path + "?t=" + cacheBustingStamp(app.platform.system);
  std::string body = app.platform.http.get(host, port, query);
  return parseManifest(app.manifestDocument, body) && manifestCount(app.manifestDocument, "UpdateInfo/ServerList") >= 1;
}

}  // namespace

bool fetchManifest(state::AppState& app) {
  const Endpoints& e = app.endpoints;
  if (fetchFrom(app, e.manifestPrimary, e.manifestPrimaryPort, kPrimaryPath)) return true;
  if (fetchFrom(app, e.manifestSecondary, e.manifestSecondaryPort, kSecondaryPath)) return true;
  // A document without server lines is of no use to anyone after this.
  app.manifestDocument.xml.clear();
  return false;
}

}  // namespace startup
