#include "app/window_backend.h"
#include "startup/announcement.h"
#include "startup/startup_sequence.h"
#include "ui/win32/win32_backend.h"

namespace app {

std::unique_ptr<ui::LoopBackend> makeSystemWindow(state::AppState& app) {
  // Read by the browser control when the window first creates it, under the name the
  // process runs as, whatever the player renamed the launcher to.
  platform::Platform& p = app.platform;
  startup::prepareBrowserSettings(p.registry, startup::fileNameOf(p.system.executablePath(), p.system.leadBytes()));
  return ui::makeWin32Backend(app.window, app.platform);
}

}  // namespace app
