#include "patching/patch_failures.h"

#include <algorithm>

#include "patching/disk_room.h"
#include "patching/format_size.h"
#include "patching/patch_texts.h"
#include "patching/run_display.h"
#include "support/support_notes.h"

namespace patching {

bool failPatch(state::AppState& app, const PatchEntry& entry, const std::string& convertedMessage,
               const std::string& cause) {
  // Noted first: the message box waits for the player, who may end the launcher instead.
  app.log.write(support::patchRefusalNote(entry.name, cause));
  showRunFailed(app);
  app.messageBox(entry.name + convertedMessage);
  app.end(state::Ending::kUpdateFailed);
  return false;
}

bool failPatch(state::AppState& app, const PatchEntry& entry, const char* message, const std::string& cause) {
  return failPatch(app, entry, app.convert(message), cause);
}

namespace {

// After a failed download or move: when the volume lacks the room the patch needs, the
// player learns that the disk is full instead of a generic failure.
bool diskFilled(state::AppState& app, int64_t needed, std::string& message, std::string& cause) {
  int64_t freeBytes = 0;
  if (volumeHasRoom(app, std::max(needed, kWorkFileRoom), freeBytes)) return false;
  message = diskFullMessage(app, needed, freeBytes);
  cause = support::diskSpaceCause(needed, freeBytes);
  return true;
}

}  // namespace

bool failDownload(state::AppState& app, const PatchEntry& entry, const std::string& target, const char* message,
                  const std::string& cause) {
  std::string full, fullCause;
  // A file its volume had no room for is judged at the size the server gave it.
  int64_t size = parseSizeText(entry.size);
  if (app.downloadTask.failure() == download::DownloadFailure::noRoom)
    size = std::max(size, app.downloadTask.learnedSize());
  int64_t needed = roomForDownload(app.platform.files, target, size);
  if (diskFilled(app, needed, full, fullCause)) return failPatch(app, entry, full, fullCause);
  return failPatch(app, entry, message, cause);
}

bool failMove(state::AppState& app, const PatchEntry& entry, const std::string& tmpPath, MoveResult result) {
  auto& system = app.platform.system;
  // A copy over the old file that a full disk refused looks held to the waiting: the disk
  // is named first.
  std::string full, fullCause;
  int64_t size = 0;
  if (app.platform.files.fileSize(tmpPath, size) && diskFilled(app, size, full, fullCause))
    return failPatch(app, entry, full, fullCause);
  if (result == MoveResult::kHeld) {
    std::string holder = app.platform.files.holderOf(entry.localPath);
    // The holder's name comes from the system, already in its own spelling.
    std::string message = app.convert(texts::kFileHeld);
    if (!holder.empty()) message += app.convert(texts::kHeldBy) + holder;
    return failPatch(app, entry, message, support::heldFileCause(system, entry.localPath, holder));
  }
  return failPatch(app, entry, texts::kMoveFailed,
                   "the download could not be moved to " + support::systemText(system, entry.localPath));
}

}  // namespace patching
