#pragma once
#include "app/app_state.h"

namespace patching {

// Handler of the start-update button: the running-game guard, then the patch worker.
void onStartUpdateClicked(app::AppState& app);

}  // namespace patching
