#pragma once

namespace startup {

// The caption of the version label, "LAUNCHER VER:" followed by the launcher's own version
// text, the build's LAUNCHER_VERSION. Both read these same bytes at run time (the array is
// defined in its own file, so no other file can fold its contents into code): a build carries
// its version exactly once, the maker reads it back out of the executable, and a copy can be
// labelled with another version by changing those bytes alone.
inline constexpr int kVersionCaptionPrefix = 13;  // "LAUNCHER VER:"
extern const char kLauncherVersionCaption[];
inline constexpr const char* kLauncherVersion = kLauncherVersionCaption + kVersionCaptionPrefix;

}  // namespace startup
