#pragma once
#include <cstdint>
#include <string>

#include "state/app_state.h"

namespace patching {

// Tick of the once-a-second timer: saves the download state and takes the speed sample,
// which also feeds the whole run's time left.
void sampleSpeedAndSaveTask(state::AppState& app);
// The progress line, percentage and bar of the current download; also the end event's
// final redraw, on an engine thread.
void refreshProgress(state::AppState& app);
// Tick of the progress timer (window thread): refreshProgress, and the whole run's totals.
void progressTick(state::AppState& app);

// Gives the download's display hooks their work: the size event starts both timers (1000 ms
// speed, 50 ms progress), the end event stops them, and the final refresh redraws once.
void bindProgressHooks(state::AppState& app);

// "更新进度:" i "/" n "  当前补丁大小:" size "  当前下载速度:" speed "/S", labels converted.
std::string progressLine(state::AppState& app, int index, int count, int64_t totalSize, int32_t speed);

// Whole percent of `received` out of `total`, rounded down; 100 once received reaches total
// (and so for an empty file).
int progressPercent(int64_t received, int64_t total);

// Sets the status line, the percentage label and the bar for these counts.
void showProgress(state::AppState& app, int64_t totalSize, int64_t received);

}  // namespace patching
