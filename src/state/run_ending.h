#pragma once

namespace state {

// How a run ends. The real window ends with 0 whatever happened (the player has read the
// message); a headless run gives each ending its own exit code, so that a script can tell
// them apart.
enum class Ending {
  kAsAsked,         // the work is done, the launcher restarts itself, or the player closed it
  kUpdateFailed,    // a patch, or the launcher's own update, failed or was refused
  kNoManifest,      // no manifest server gave a usable (with keys: verified) manifest
  kNotClientFolder  // the launcher is not in a client folder it can use
};

// Exit codes of headless runs; 2, 3 and 4 are decided elsewhere (bad command line or
// endpoints file, start-update refused, start-game never enabled).
inline constexpr int kExitUpdateFailed = 5;
inline constexpr int kExitNoManifest = 6;
inline constexpr int kExitNotClientFolder = 7;

int exitCodeFor(Ending ending, bool headless);

}  // namespace state
