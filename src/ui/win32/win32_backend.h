#pragma once
#include <memory>

#include "platform/platform.h"
#include "ui/backend.h"
#include "ui/window.h"

namespace ui {

// The real window on Windows: the skinned 988 x 730 popup with its components, tray icon,
// timers and web view. run() creates it, raises the created event and serves its messages
// until the window is destroyed.
std::unique_ptr<LoopBackend> makeWin32Backend(Window& window, platform::Platform& platform);

}  // namespace ui
