#include "startup/manifest_fetch.h"

namespace startup {

// Placeholder until the manifest reader exists: the step passes over to the next.
bool fetchManifest(app::AppState&) { return true; }

}  // namespace startup
