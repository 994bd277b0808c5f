#pragma once
#include "app/app_state.h"

namespace patching {

// Sorts the manifest's patch entries that are not current on disk into the online and
// manual lists, shows the summary and reveals the start-update button.
void evaluatePatchList(app::AppState& app);

}  // namespace patching
