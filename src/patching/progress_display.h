#pragma once
#include "app/app_state.h"

namespace patching {

// Tick of the once-a-second timer: saves the download state and takes the speed sample.
void sampleSpeedAndSaveTask(app::AppState& app);
// Tick of the progress timer: the progress line, percentage and bar.
void refreshProgress(app::AppState& app);

}  // namespace patching
