#pragma once
#include "app/player_controls.h"
#include "state/app_state.h"

namespace app {

// Binds every event of the window to its handler; the tray menu acts through `controls`,
// which outlive the window's events.
void bindEvents(state::AppState& app, PlayerControls& controls);

// The tray icon's events: the menu on operation 3 (right button released, context-menu
// key), the choice made from it, and the speed limit a run starts with (after the start-up
// sequence, so that the support log is open to note it). The tray's other operations keep
// the handler bound before.
void bindTrayMenu(state::AppState& app, PlayerControls& controls);

}  // namespace app
