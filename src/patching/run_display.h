#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "patching/patch_entry.h"
#include "state/app_state.h"

namespace patching {

// The whole update run on the taskbar button, in the tray icon's tooltip and in the support
// log, beside the one-file status line. The calls from the patch worker and the engine
// post their work to the window thread, which alone keeps app.runProgress.

// Worker: a run of `patches` begins; their manifest sizes are the first totals.
void beginRunDisplay(state::AppState& app, const std::vector<PatchEntry>& patches);
// Worker: patch `index` (0-based) is next.
void showPatchStarting(state::AppState& app, int index);
// Worker: the current patch is installed.
void showPatchInstalled(state::AppState& app);
// Worker: the run failed; the taskbar button shows the error until the launcher ends.
void showRunFailed(state::AppState& app);
// Worker: the run is over and the update finished; the taskbar button and the tooltip go
// back to their own state, and a minimised window flashes its taskbar button once.
void endRunDisplay(state::AppState& app);
// Engine thread, size event: a download starts, and with it the next speed period.
void runDownloadStarted(state::AppState& app);
// Engine thread, end event: the last period of the download, shorter than a timer period.
void runDownloadEnded(state::AppState& app);

// Window thread, progress tick: `received` bytes of the current file are on disk.
void runProgressTick(state::AppState& app, int64_t received);
// Window thread, speed tick: `bytes` arrived since the previous sample.
void runSpeedSample(state::AppState& app, int64_t bytes);

// "总进度:38% 1.20MB/3.19MB 剩余约2分钟", labels converted; the time left only once it is known.
std::string runTooltip(state::AppState& app, const RunProgress& run);
// "1 of 3 patches, 2.86MB of 3.19MB (89%), about 5 s left" for the support log.
std::string runLogText(const RunProgress& run);

}  // namespace patching
