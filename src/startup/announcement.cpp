#include "startup/announcement.h"

#include "ui/component_names.h"

namespace startup {

bool prepareBrowserSettings(platform::Registry& registry, const std::string& exeFileName) {
  struct Feature {
    const char* name;
    uint32_t value;
  };
  static const Feature kFeatures[] = {
      {"FEATURE_BROWSER_EMULATION", kBrowserEmulation},
      {"FEATURE_RESTRICT_ACTIVEXINSTALL", 1},
  };
  if (exeFileName.empty()) return false;
  bool written = true;
  for (const Feature& f : kFeatures) {
    std::string key = std::string(kBrowserFeatureKey) + f.name;
    uint32_t current = 0;
    if (registry.userDword(key, exeFileName, current) && current == f.value) continue;
    written = registry.setUserDword(key, exeFileName, f.value) && written;
  }
  return written;
}

void showAnnouncement(state::AppState& app) {
  app.window.navigate(ui::names::kWebView, app.endpoints.announcementAddress());
}

}  // namespace startup
