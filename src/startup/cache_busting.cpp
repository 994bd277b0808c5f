#include "startup/cache_busting.h"

namespace startup {

// Placeholder until the manifest fetch exists.
std::string cacheBustingStamp(platform::System&) { return {}; }

}  // namespace startup
