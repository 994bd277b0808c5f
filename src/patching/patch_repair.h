#pragma once
#include "patching/patch_update.h"
#include "state/app_state.h"

namespace patching {

// "Check and repair the client" can be chosen: the manifest has been read and evaluated (the
// configuration worker is done) and no update or repair runs. A game start cannot be in
// progress on the window thread, which alone asks: starting the game is one synchronous step
// there.
bool repairPossible(const state::AppState& app);

// Window thread: refuses while the game runs (as the start-update button does), else starts
// runRepair on the patch worker and returns at once.
void startRepair(state::AppState& app);

// Body of the repair: checks every entry of the manifest's patch list with its strongest
// check, installs the online files that failed as an update installs them and lists the
// manual ones (ending the launcher, as an update does), then shows how many files were
// checked and repaired. False when the launcher is ending.
bool runRepair(state::AppState& app);
bool runRepair(state::AppState& app, const DownloadFunction& download, unsigned digestThreads);

// --verify: the repair in place of the evaluation, on the configuration worker. A running
// game or a failed repair ends the launcher as a failed update.
void verifyClient(state::AppState& app);

}  // namespace patching
