#pragma once
#include "state/app_state.h"

namespace startup {

// Fetches and parses the update manifest; true when a usable one is in app.manifestDocument.
bool fetchManifest(state::AppState& app);

}  // namespace startup
