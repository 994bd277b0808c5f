#pragma once
#include <memory>

#include "state/app_state.h"
#include "ui/backend.h"

namespace app {

// The system's own window, or nothing where there is none (Linux: the console window serves).
std::unique_ptr<ui::LoopBackend> makeSystemWindow(state::AppState& app);

}  // namespace app
