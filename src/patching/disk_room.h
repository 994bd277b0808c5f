#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "patching/patch_entry.h"
#include "platform/files.h"
#include "state/app_state.h"

namespace patching {

// Room the engine's resumable-state file (".work") may take beside a download.
inline constexpr int64_t kWorkFileRoom = 64 * 1024;

// Bytes still to be found on disk before downloading `size` bytes into target + ".tmp": the
// full size plus the ".work" while nothing is cached; nothing once a resumable ".tmp" and
// ".work" hold their room; the difference for a ".tmp" that the engine replaces.
int64_t roomForDownload(platform::Files& files, const std::string& target, int64_t size);

// The room the online patches still need, from the sizes the manifest gives: the most the
// volume must hold beyond what it holds now at any point of the run. Each patch is downloaded
// and then moved over the file it replaces, so patch i needs what the earlier ones added
// (their sizes less those of the files they replaced and of their cached ".tmp") plus its own
// download room. A patch whose size the manifest leaves out (or gives as 0) counts for its
// ".work" only: its real size is learnt from the server once its download starts.
int64_t roomForPatches(state::AppState& app, const std::vector<PatchEntry>& patches);

// False, with the free bytes, when the volume of the client folder has less than `needed`;
// true when there is room or the volume cannot tell.
bool volumeHasRoom(state::AppState& app, int64_t needed, int64_t& freeBytes);

// The converted "not enough disk space: needed …, free …" message.
std::string diskFullMessage(state::AppState& app, int64_t needed, int64_t freeBytes);

// True when the client folder's volume holds `needed` more bytes; otherwise shows the
// disk-space message and gives false. The caller decides how the run ends.
bool roomOrMessage(state::AppState& app, int64_t needed);

}  // namespace patching
