#pragma once
#include "app/app_state.h"

namespace startup {

// Compares the manifest's launcher version with our own and replaces the launcher when they
// differ. Returns true when the worker goes on; false when the process has been ended.
bool selfUpdate(app::AppState& app);

}  // namespace startup
