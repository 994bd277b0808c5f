#include "patching/progress_display.h"

namespace patching {

// Placeholders until the progress display exists.
void sampleSpeedAndSaveTask(app::AppState&) {}
void refreshProgress(app::AppState&) {}

}  // namespace patching
