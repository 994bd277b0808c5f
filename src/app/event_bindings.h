#pragma once
#include "state/app_state.h"

namespace app {

// Binds every event of the window to its handler.
void bindEvents(state::AppState& app);

}  // namespace app
