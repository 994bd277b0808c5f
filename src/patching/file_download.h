#pragma once
#include <string>

#include "state/app_state.h"

namespace patching {

inline constexpr int kNotStarted = 0;
inline constexpr int kIncomplete = 2;
inline constexpr int kComplete = 3;

// Downloads `url` into `target` + ".tmp" with five connections and blocks the calling
// worker until the download has ended; 0 not started, 2 incomplete, 3 complete.
// `index` of `count` is remembered in app.downloadIndex / app.downloadCount for the progress line.
int downloadFile(state::AppState& app, const std::string& url, const std::string& target, int index, int count);

}  // namespace patching
