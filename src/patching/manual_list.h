#pragma once
#include <string>
#include <vector>

#include "state/app_state.h"
#include "patching/patch_entry.h"

namespace patching {

inline constexpr const char* kManualListFile = "PatchList.txt";

// The text of PatchList.txt: the converted header line, then "补丁名：" + name + " 下载地址 "
// + url per manual patch, every line ended by CR LF.
std::string manualListText(state::AppState& app, const std::vector<PatchEntry>& manual);

// Writes PatchList.txt into the client folder, waits a second with this thread's messages
// served, and opens it with the shell's default action. Failures are not reported: the
// launcher ends afterwards all the same.
void writeAndOpenManualList(state::AppState& app);

}  // namespace patching
