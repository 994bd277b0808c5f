#include "patching/patch_install.h"

#include "patching/patch_paths.h"

namespace patching {

void createSubfolders(platform::Files& files, const std::string& clientFolder, const std::string& path) {
  std::string folder = clientFolder;
  for (const auto& level : folderLevels(path)) {
    folder += level;
    if (!files.exists(folder)) files.createDirectory(folder);
    folder += "\\";
  }
}

bool moveIntoPlace(platform::Files& files, const std::string& from, const std::string& to) {
  if (files.moveFile(from, to)) return true;
  if (!files.copyFile(from, to, true)) return false;
  files.deleteFile(from);
  return true;
}

}  // namespace patching
