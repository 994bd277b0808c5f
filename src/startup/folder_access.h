#pragma once
#include <string>

#include "platform/files.h"
#include "platform/system.h"
#include "state/app_state.h"

namespace startup {

// True when a file can be created, renamed and deleted in `folder` (with its trailing '\').
// Tries it with a probe file of a name nobody uses and removes what it made.
bool canChangeFilesIn(platform::Files& files, platform::System& system, const std::string& folder);

// Checks the client folder and the download cache, and opens the support log in the client
// folder as soon as that folder passes. When one of them cannot be changed, asks
// the player, naming that folder, whether to start again with administrator rights; starts
// the launcher that way on "yes", and ends the process either way (returns false).
bool ensureWritableFolders(state::AppState& app);

}  // namespace startup
