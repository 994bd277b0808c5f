#include "app/window_backend.h"
#include "ui/win32/win32_backend.h"

namespace app {

std::unique_ptr<ui::LoopBackend> makeSystemWindow(state::AppState& app) {
  return ui::makeWin32Backend(app.window, app.platform);
}

}  // namespace app
