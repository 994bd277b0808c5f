#include "patching/patch_install.h"

#include <algorithm>

#include "patching/patch_paths.h"

namespace patching {

std::string systemLocalPath(platform::System& system, const std::string& clientFolder, const PatchEntry& entry) {
  PatchEntry spelled = entry;
  spelled.name = system.manifestFileName(entry.name);
  spelled.path = system.manifestFileName(entry.path);
  return localPathOf(clientFolder, spelled);
}

void createSubfolders(platform::Files& files, platform::System& system, const std::string& clientFolder,
                      const std::string& path) {
  std::string folder = clientFolder;
  // Split while still GBK, where a trail byte can be '\'.
  for (const auto& level : folderLevels(path)) {
    folder += system.manifestFileName(level);
    if (!files.exists(folder)) files.createDirectory(folder);
    folder += "\\";
  }
}

bool moveIntoPlace(platform::Files& files, const std::string& from, const std::string& to, bool byRename) {
  if (files.moveFile(from, to)) return true;
  if (byRename && files.replaceByRename(from, to)) return true;
  if (!files.copyFile(from, to, true)) return false;
  files.deleteFile(from);
  return true;
}

MoveResult moveIntoPlaceWaiting(platform::Files& files, platform::System& system, const std::string& from,
                                const std::string& to, int& retries, bool byRename) {
  constexpr uint32_t kPatience = 10000;
  constexpr int kLongestPause = 2000;
  uint32_t start = system.tickCount();
  retries = 0;
  for (int pause = 100;; pause = std::min(pause * 2, kLongestPause), ++retries) {
    if (moveIntoPlace(files, from, to, byRename)) return MoveResult::kMoved;
    // A missing folder or source does not heal by waiting.
    if (!files.exists(to) || !files.exists(from)) return MoveResult::kFailed;
    if (system.tickCount() - start >= kPatience) return MoveResult::kHeld;
    system.sleep(pause);
  }
}

}  // namespace patching
