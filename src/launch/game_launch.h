#pragma once
#include "app/app_state.h"

namespace launch {

// Handler of the start-game button.
void startGame(app::AppState& app);

}  // namespace launch
