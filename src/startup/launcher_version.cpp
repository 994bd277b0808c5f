#include "startup/launcher_version.h"

namespace startup {

extern const char kLauncherVersionCaption[19] = "LAUNCHER VER:0.0.1";

}  // namespace startup
