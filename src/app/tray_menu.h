#pragma once
#include <cstdint>

#include "app/player_controls.h"
#include "platform/registry.h"
#include "text/display_language.h"
#include "ui/menu.h"

namespace app {

// The ids of the tray menu's entries.
enum TrayChoice : int {
  kChoiceNoLimit = 1,
  kChoiceLimit500K = 2,
  kChoiceLimit1M = 3,
  kChoiceLimit2M = 4,
  kChoiceLimit5M = 5,
  kChoicePause = 20,
  kChoiceResume = 21,
  kChoiceRepair = 30,
};

// The limit an entry of the speed-limit submenu sets; -1 for any other id.
int64_t presetLimit(int id);

// The menu as it stands now: the speed limits with the current one checked (a limit that is
// none of them is shown, checked and disabled, below them), pause or resume while a download
// runs, and the repair check, enabled only when it may start. Texts converted for display.
ui::Menu trayMenu(PlayerControls& controls, text::DisplayCode display);

// Carries out a choice from that menu; a chosen limit is remembered for the player. False for
// an id that names no entry.
bool carryOutTrayChoice(PlayerControls& controls, platform::Registry& registry, int id);

// Sets a limit the player chose and remembers it. False when it could not be remembered.
bool choosePlayerLimit(PlayerControls& controls, platform::Registry& registry, int64_t bytesPerSecond);

}  // namespace app
