#include "app/window_backend.h"

namespace app {

std::unique_ptr<ui::LoopBackend> makeSystemWindow(AppState&) { return nullptr; }

}  // namespace app
