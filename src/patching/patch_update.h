#pragma once
#include <functional>
#include <string>

#include "state/app_state.h"
#include "patching/patch_entry.h"

namespace patching {

// Downloads `url` into `target` + ".tmp" as file `index` of `count`; 0 not started,
// 2 incomplete, 3 complete.
using DownloadFunction =
    std::function<int(state::AppState& app, const std::string& url, const std::string& target, int index, int count)>;

// Handler of the start-update button: disables it, then refuses while the game runs or
// starts runPatchUpdate on a new thread.
void onStartUpdateClicked(state::AppState& app);

// Body of the patch worker: downloads and installs the online patches in manifest order,
// then lists the manual ones (and ends the launcher) or shows that the update is finished.
// Every failed patch is reported with its name and ends the launcher.
void runPatchUpdate(state::AppState& app);
void runPatchUpdate(state::AppState& app, const DownloadFunction& download);

// The download and installation part of runPatchUpdate: makes sure the folders take files and
// the volume has room, then installs every online patch in order with the run's progress
// shown. False when the run ended (the launcher is ending or starting again).
bool installOnlinePatches(state::AppState& app, const DownloadFunction& download);

// Downloads, checks and moves one online patch; on failure shows its message, ends the
// process and returns false.
bool installPatch(state::AppState& app, const PatchEntry& entry, int index, int count,
                  const DownloadFunction& download);

}  // namespace patching
