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

// The engine's end states of a download (DownloadTask::getState): before them it runs.
inline constexpr int32_t kDownloadIncomplete = 2;
inline constexpr int32_t kDownloadComplete = 3;

// What the display reads of the current download.
struct DownloadCounts {
  int32_t state = 0;     // 0 starting, 1 running, then one of the end states
  int64_t total = 0;     // the size the display goes by
  int64_t received = 0;  // on disk now; the engine reads 0 once the download has ended
  int64_t learned = 0;   // the size the server gave for this download; 0 while unknown
  int64_t atEnd = 0;     // on disk when it ended
};

// The percentage of the bar and its label: live while the download runs; once it has ended,
// from the bytes it ended with, and below 100 for one that did not complete.
int downloadPercent(const DownloadCounts& counts);

// Sets the status line, the percentage label and the bar for these counts.
void showProgress(state::AppState& app, int64_t totalSize, int64_t received);

}  // namespace patching
