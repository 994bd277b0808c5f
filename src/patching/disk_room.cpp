#include "patching/disk_room.h"

#include <algorithm>

#include "patching/format_size.h"
#include "patching/patch_texts.h"
#include "support/support_notes.h"

namespace patching {

int64_t roomForDownload(platform::Files& files, const std::string& target, int64_t size) {
  size = std::max<int64_t>(size, 0);
  std::string tmp = target + ".tmp";
  int64_t cached = 0;
  if (!files.fileSize(tmp, cached)) return addSizes(size, kWorkFileRoom);
  // The engine preallocates the ".tmp" at its full size, and resumes it with its ".work".
  if (files.exists(tmp + ".work")) return 0;
  return addSizes(std::max<int64_t>(size - cached, 0), kWorkFileRoom);
}

int64_t roomForPatches(state::AppState& app, const std::vector<PatchEntry>& patches) {
  int64_t total = 0;
  for (const auto& e : patches) {
    std::string target = app.downloadCacheFolder + app.platform.system.manifestFileName(e.name);
    total = addSizes(total, roomForDownload(app.platform.files, target, parseSizeText(e.size)));
  }
  return total;
}

bool volumeHasRoom(state::AppState& app, int64_t needed, int64_t& freeBytes) {
  freeBytes = 0;
  if (!app.platform.files.freeSpace(app.clientFolder, freeBytes)) return true;
  return freeBytes >= needed;
}

std::string diskFullMessage(state::AppState& app, int64_t needed, int64_t freeBytes) {
  return app.convert(texts::kDiskNeeds) + formatSize(needed) + app.convert(texts::kDiskFree) +
         formatSize(freeBytes) + app.convert(texts::kDiskCleanUp);
}

bool roomOrMessage(state::AppState& app, int64_t needed) {
  int64_t freeBytes = 0;
  if (volumeHasRoom(app, needed, freeBytes)) return true;
  app.log.write(support::refusalNote(support::diskSpaceCause(needed, freeBytes)));
  app.messageBox(diskFullMessage(app, needed, freeBytes));
  return false;
}

}  // namespace patching
