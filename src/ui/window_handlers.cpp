#include "ui/window_handlers.h"

#include "ui/component_names.h"

namespace ui {

namespace {
constexpr int kTrayDoubleClick = 2;
constexpr int kStateRestoreCentred = 1;
constexpr int kStateMinimised = 2;
}  // namespace

void bindWindowHandlers(Window& window, std::function<void()> endLauncher) {
  Events& e = window.events();
  e.tray = [&window](int operation) {
    if (operation != kTrayDoubleClick) return;
    window.setWindowVisible(true);
    window.setWindowState(kStateRestoreCentred);
  };
  e.destroying = [&window] { window.disconnect(names::kClient1); };
  e.clicked[names::kButtonClose] = std::move(endLauncher);
  e.clicked[names::kButtonMinimise] = [&window] { window.setWindowState(kStateMinimised); };
}

}  // namespace ui
