#pragma once
#include "app/app_state.h"

namespace startup {

// Points the web view at the operator's announcement page.
void showAnnouncement(app::AppState& app);

}  // namespace startup
