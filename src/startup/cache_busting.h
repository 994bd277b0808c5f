#pragma once
#include <string>

#include "platform/system.h"

namespace startup {

// The "?t=" value appended to every address fetched from the operator: the whole seconds since
// the local date-time 1970-01-01 08:00:00, then the milliseconds as three digits, cut to ten
// characters (with today's clocks, the seconds alone).
std::string cacheBustingStamp(platform::System& system);

}  // namespace startup
