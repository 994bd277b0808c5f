#include "self_update_fixture.h"

#include "startup/manifest_document.h"

namespace selfupdate_test {

void SelfUpdateFixture::offer(const std::string& launcherAttributes) {
  std::string xml = "<UpdateInfo><ServerList><S name=\"one\"/></ServerList><Launcher " + launcherAttributes +
                    "/></UpdateInfo>";
  startup::parseManifest(app.manifestDocument, xml);
}

startup::LauncherDownload SelfUpdateFixture::downloadAnswering(int result, const std::string& bytes) {
  return [this, result, bytes](state::AppState&, const std::string& url, const std::string& target, int index,
                               int count) {
    downloads.push_back({url, target, index, count});
    if (result == 3) fake.files.files[target + ".tmp"] = bytes;
    if (result == 2) {
      fake.files.files[target + ".tmp"] += "part";
      fake.files.files[target + ".tmp.work"] = "state";
    }
    return result;
  };
}

std::string SelfUpdateFixture::caption(const char* name) {
  window.pump();
  return window.component(name).caption;
}

}  // namespace selfupdate_test
