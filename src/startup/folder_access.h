#pragma once
#include <string>

#include "platform/files.h"
#include "platform/system.h"
#include "state/app_state.h"

namespace startup {

// True when a file can be created, renamed and deleted in `folder` (with its trailing '\').
// Tries it with a probe file of a name nobody uses and removes what it made.
bool canChangeFilesIn(platform::Files& files, platform::System& system, const std::string& folder);

// At start, before anything is written: the support log gets its start line, and its file in
// the client folder as soon as that folder takes files. Asks nothing: a player with nothing
// to update plays from a folder the launcher cannot change.
void startSupportLog(state::AppState& app);

// Before the launcher first writes into the client folder for real (the first download or
// installation, a self-update): checks the client folder and the download cache (made when
// missing), and opens the support log once the client folder passes. When one of them cannot
// be changed, asks the player, naming that folder, whether to start again with administrator
// rights; starts the launcher that way on "yes", and ends the process either way (returns
// false).
bool ensureWritableFolders(state::AppState& app);

}  // namespace startup
