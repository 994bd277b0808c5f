#pragma once
#include <string>

#include "platform/system.h"

namespace startup {

// The "?t=" value appended to every address fetched from the operator.
std::string cacheBustingStamp(platform::System& system);

}  // namespace startup
