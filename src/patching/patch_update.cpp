#include "patching/patch_update.h"

namespace patching {

// Placeholder until patch installation exists.
void onStartUpdateClicked(app::AppState&) {}

}  // namespace patching
