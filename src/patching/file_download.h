#pragma once
#include <string>
#include <vector>

#include "state/app_state.h"

namespace patching {

inline constexpr int kNotStarted = 0;
inline constexpr int kIncomplete = 2;
inline constexpr int kComplete = 3;

// The address text of one download: `url`, then its alternates `mirrors`, each with the
// cache-busting query "?t=" + `stamp`. Without alternates this is url + "?t=" + stamp.
std::string downloadAddresses(const std::string& url, const std::vector<std::string>& mirrors,
                              const std::string& stamp);

// Downloads `url` (which may carry alternates, see downloadAddresses) into `target` + ".tmp"
// with five connections and blocks the calling worker until the download has ended;
// 0 not started, 2 incomplete, 3 complete.
// `index` of `count` is remembered in app.downloadIndex / app.downloadCount for the progress line.
int downloadFile(state::AppState& app, const std::string& url, const std::string& target, int index, int count);
// A size the caller set with DownloadTask::expectSizeOfNextStart holds for this download: a
// file of another size is refused before anything of it is written.

// The pieces of downloadFile, for downloads started another way (a delta): the end state
// cleared before the start, the events that drive the window and the end, the room check and
// support-log hooks of a task, and the wait for the end (2 or 3).
void clearDownloadEnd(state::AppState& app);
download::EventCallback downloadEvents(state::AppState& app);
void bindDownloadHooks(state::AppState& app, download::DownloadTask& task);
int awaitDownloadEnd(state::AppState& app);

// The message for a download that ended incomplete: the cause when the player can act on it
// (a refused certificate, a refusing proxy), else `otherwise`; `cause` gets the words for the
// support log.
const char* incompleteMessage(const state::AppState& app, const char* otherwise, std::string& cause);

}  // namespace patching
