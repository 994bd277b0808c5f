#pragma once
#include <string>
#include <vector>

#include "state/app_state.h"
#include "patching/patch_entry.h"

namespace patching {

// Sorts the manifest's patch entries that are not current on disk into the online and
// manual lists, shows the summary and reveals the start-update button.
void evaluatePatchList(state::AppState& app);
// The same, digesting files on `digestThreads` threads.
void evaluatePatchList(state::AppState& app, unsigned digestThreads);

// Sorts `entries` (manifest order, localPath computed) as evaluatePatchList does.
void evaluateEntries(state::AppState& app, std::vector<PatchEntry> entries, unsigned digestThreads);

// The manifest's patch entries in order, with their localPath computed.
std::vector<PatchEntry> readPatchEntries(state::AppState& app);

// "发现新的更新文件 在线更新:" + A + " 总大小:" + size + " 手动更新:" + M + " 总大小:" + size.
std::string updateSummary(const std::vector<PatchEntry>& online, const std::vector<PatchEntry>& manual);

}  // namespace patching
