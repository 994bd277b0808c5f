#pragma once
#include "app/app_state.h"

namespace app {

// Binds every event of the window to its handler.
void bindEvents(AppState& app);

}  // namespace app
