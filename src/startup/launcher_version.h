#pragma once

namespace startup {

// The caption of the version label, "LAUNCHER VER:" followed by the launcher's own version
// text. Both read these same bytes at run time (the array is defined in its own file, so no
// other file can fold its contents into code): a build carries its version exactly once, and
// a copy can be labelled with another version by changing those bytes alone.
inline constexpr int kVersionCaptionPrefix = 13;  // "LAUNCHER VER:"
extern const char kLauncherVersionCaption[19];
inline constexpr const char* kLauncherVersion = kLauncherVersionCaption + kVersionCaptionPrefix;

}  // namespace startup
