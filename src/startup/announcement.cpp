#include "startup/announcement.h"

#include "ui/component_names.h"

namespace startup {

void showAnnouncement(state::AppState& app) {
  app.window.navigate(ui::names::kWebView, "http://" + app.endpoints.announcement + "/bz01.html");
}

}  // namespace startup
