#include "startup/launcher_version.h"

#include "launcher_version_value.h"

namespace startup {

extern const char kLauncherVersionCaption[] = "LAUNCHER VER:" LAUNCHER_VERSION_TEXT;

}  // namespace startup
