#pragma once
#include <string>

#include "patching/patch_entry.h"
#include "patching/patch_install.h"
#include "state/app_state.h"

namespace patching {

// Each notes the refusal and its `cause` (plain text for the support log), shows the patch
// name followed directly by a converted message, ends the launcher and returns false.
bool failPatch(state::AppState& app, const PatchEntry& entry, const std::string& convertedMessage,
               const std::string& cause);
bool failPatch(state::AppState& app, const PatchEntry& entry, const char* message, const std::string& cause);

// A download that did not complete into `target` + ".tmp": the disk-space message when the
// volume no longer has the room the patch needs, else `message` with `cause`.
bool failDownload(state::AppState& app, const PatchEntry& entry, const std::string& target, const char* message,
                  const std::string& cause);

// A finished download that did not reach its place: the file and its holder when another
// program kept it, the disk-space message when a copy lacked room, else the move error.
bool failMove(state::AppState& app, const PatchEntry& entry, const std::string& tmpPath, MoveResult result);

}  // namespace patching
