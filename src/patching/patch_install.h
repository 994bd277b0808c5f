#pragma once
#include <string>

#include "patching/patch_entry.h"
#include "platform/files.h"
#include "platform/system.h"

namespace patching {

// The manifest's names are GBK, while the client folder is in the system's own spelling:
// these join them where they meet.

// The entry's place (localPathOf) with its name and sub-folder spelled as the system's paths.
std::string systemLocalPath(platform::System& system, const std::string& clientFolder, const PatchEntry& entry);

// Creates every missing folder level of the manifest sub-folder `path` below clientFolder,
// outermost first. A level that cannot be created is not reported here: the move into it
// fails afterwards.
void createSubfolders(platform::Files& files, platform::System& system, const std::string& clientFolder,
                      const std::string& path);

// Moves a finished download to its place, replacing a file that is there: a plain rename,
// else a copy with overwriting followed by deleting the source (the move counts as done when
// only that deletion fails). `byRename` first tries renaming over the old file, for a file
// assembled from the old one's chunks: its copy would write the whole file a second time.
bool moveIntoPlace(platform::Files& files, const std::string& from, const std::string& to, bool byRename = false);

enum class MoveResult { kMoved, kHeld, kFailed };

// As moveIntoPlace, but a target that exists and cannot be replaced (another program has it
// open) is tried again with pauses of 100 ms doubling up to 2 s, for about 10 s, before it
// counts as held. `retries` is set to the number of tries after the first.
MoveResult moveIntoPlaceWaiting(platform::Files& files, platform::System& system, const std::string& from,
                                const std::string& to, int& retries, bool byRename = false);

}  // namespace patching
