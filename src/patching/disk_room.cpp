#include "patching/disk_room.h"

#include <algorithm>
#include <map>
#include <set>

#include "patching/format_size.h"
#include "patching/patch_paths.h"
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

namespace {

// The size of what is at a patch's place, as the run has left it so far.
int64_t sizeAtPlace(platform::Files& files, std::map<std::string, int64_t>& placed, const PatchEntry& e) {
  auto it = placed.find(e.localPath);
  if (it != placed.end()) return it->second;
  int64_t size = 0;
  // An unsafe place is never installed to, nor looked at.
  if (!isSafePatchLocation(e) || files.isDirectory(e.localPath) || !files.fileSize(e.localPath, size)) size = 0;
  return size;
}

}  // namespace

int64_t roomForPatches(state::AppState& app, const std::vector<PatchEntry>& patches) {
  auto& files = app.platform.files;
  std::set<std::string> targets;          // download cache names the run has used already
  std::map<std::string, int64_t> placed;  // places the run has installed to, with their new sizes
  int64_t settled = 0;                    // what the patches installed so far have added to the volume
  int64_t peak = 0;
  for (const auto& e : patches) {
    std::string target = app.downloadCacheFolder + app.platform.system.manifestFileName(e.name);
    int64_t size = std::max<int64_t>(parseSizeText(e.size), 0);
    // A name an earlier patch of the run had is downloaded afresh: its files were moved away.
    bool first = targets.insert(target).second;
    int64_t cached = 0;
    if (!first || !files.fileSize(target + ".tmp", cached)) cached = 0;
    int64_t during = first ? roomForDownload(files, target, size) : addSizes(size, kWorkFileRoom);
    peak = std::max(peak, addSizes(settled, during));
    // Installed, the download takes the place of the file it replaces, and its ".tmp" and
    // ".work" are gone. A patch of unknown size is taken to need the replaced file's room.
    int64_t replaced = sizeAtPlace(files, placed, e);
    int64_t installed = size > 0 ? size : replaced;
    settled = addSizes(settled, installed - replaced - cached);
    placed[e.localPath] = installed;
  }
  return peak;
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
