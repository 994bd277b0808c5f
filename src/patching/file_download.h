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

// The message for a download that ended incomplete: the cause when the player can act on it
// (a refused certificate, a refusing proxy), else `otherwise`; `cause` gets the words for the
// support log.
const char* incompleteMessage(const state::AppState& app, const char* otherwise, std::string& cause);

}  // namespace patching
