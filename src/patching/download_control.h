#pragma once
#include <cstdint>

#include "state/app_state.h"

namespace patching {

// The player's choices about downloads (the tray menu, the headless commands, the command line).
// Each takes effect at once on a running download and holds for every later one, the chunk
// indexes and ranges of a delta included; each is noted in launcher.log. Window thread.
void setSpeedLimit(state::AppState& app, int64_t bytesPerSecond);  // 0: no limit
int64_t speedLimit(const state::AppState& app);
// Paused, the connections stop reading and keep what they have; the status line and the tray
// tooltip say so. Closing the launcher while paused loses nothing.
void pauseDownloads(state::AppState& app);
void resumeDownloads(state::AppState& app);
bool downloadsPaused(const state::AppState& app);
// A patch download is under way.
bool downloadRunning(const state::AppState& app);

}  // namespace patching
