#pragma once
#include "state/app_state.h"

namespace startup {

// Points the web view at the operator's announcement page.
void showAnnouncement(state::AppState& app);

}  // namespace startup
