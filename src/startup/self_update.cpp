#include "startup/self_update.h"

namespace startup {

// Placeholder until the self-update exists: the step passes over to the next.
bool selfUpdate(app::AppState&) { return true; }

}  // namespace startup
