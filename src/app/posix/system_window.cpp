#include "app/window_backend.h"

namespace app {

std::unique_ptr<ui::LoopBackend> makeSystemWindow(state::AppState&) { return nullptr; }

}  // namespace app
