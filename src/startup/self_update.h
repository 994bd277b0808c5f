#pragma once
#include <functional>
#include <string>

#include "state/app_state.h"

namespace startup {

// The download of the new launcher: url, target (the engine writes target + ".tmp"), this
// file's number and the number of files; 0 not started, 2 incomplete, 3 complete.
using LauncherDownload =
    std::function<int(state::AppState& app, const std::string& url, const std::string& target, int index, int count)>;

// Compares the manifest's launcher version with our own and replaces the launcher when they
// differ. Returns true when the worker goes on; false when the process has been ended.
bool selfUpdate(state::AppState& app);
bool selfUpdate(state::AppState& app, const LauncherDownload& download);

}  // namespace startup
