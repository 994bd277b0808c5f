#include "app/event_bindings.h"

#include "app/remembered_limit.h"
#include "app/tray_menu.h"

#include "launch/game_launch.h"
#include "launch/link_buttons.h"
#include "patching/patch_update.h"
#include "patching/progress_display.h"
#include "startup/server_list.h"
#include "startup/startup_sequence.h"
#include "ui/component_names.h"
#include "ui/window_handlers.h"

namespace app {

namespace {
constexpr int kTrayMenuOperation = 3;
}  // namespace

void bindTrayMenu(state::AppState& app, PlayerControls& controls) {
  ui::Events& e = app.window.events();
  std::function<void(int)> next = e.tray;
  e.tray = [&app, &controls, next](int operation) {
    if (operation == kTrayMenuOperation)
      app.window.showMenu(trayMenu(controls, app.display));
    else if (next)
      next(operation);
  };
  e.menuChosen = [&app, &controls](int id) { carryOutTrayChoice(controls, app.platform.registry, id); };
  std::function<void()> created = e.created;
  e.created = [&app, &controls, created] {
    if (created) created();
    if (std::optional<int64_t> limit = startingSpeedLimit(app.options, app.platform.registry))
      controls.setSpeedLimit(*limit);
  };
}

void bindEvents(state::AppState& app, PlayerControls& controls) {
  using namespace ui::names;
  ui::bindWindowHandlers(app.window, [&app] { app.endProcess(0); });
  ui::Events& e = app.window.events();
  e.created = [&app] { startup::startupSequence(app); };
  e.socketData = [&app] { startup::onProbeData(app); };
  e.serverSelected = [&app] { startup::refreshServerStatus(app); };
  patching::bindProgressHooks(app);
  e.tick[kTimerSaveTaskAndSpeed] = [&app] { patching::sampleSpeedAndSaveTask(app); };
  e.tick[kTimerProgress] = [&app] { patching::progressTick(app); };
  e.clicked[kButtonStartUpdate] = [&app] { patching::onStartUpdateClicked(app); };
  e.clicked[kButtonStartGame] = [&app] { launch::startGame(app); };
  for (const char* link : {kButtonHome, kButtonForum, kButtonRegister, kButtonQQGroup, kButtonRecharge, kButtonHelp1,
                           kButtonHelp2, kButtonHelp3, kButtonHelp4}) {
    std::string name = link;
    e.clicked[name] = [&app, name] { launch::openLinkButton(app, name); };
  }
  bindTrayMenu(app, controls);
}

}  // namespace app
