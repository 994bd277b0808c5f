#pragma once
#include <functional>

#include "ui/window.h"

namespace ui {

// The handlers that act on the window alone: restore from the tray on a double-click,
// disconnect the client socket before destruction, the close and minimise buttons.
void bindWindowHandlers(Window& window, std::function<void()> endLauncher);

}  // namespace ui
