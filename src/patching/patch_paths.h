#pragma once
#include <string>
#include <vector>

#include "patching/patch_entry.h"

namespace patching {

// The file's place in the client folder: clientFolder + path + "\" + name, or clientFolder +
// name for an empty path. Joined as written: no separator is added after clientFolder or
// removed from path.
std::string localPathOf(const std::string& clientFolder, const PatchEntry& entry);

// A manifest file name that stays inside the folder it is joined to: not empty, no '\' or
// '/', no character Windows refuses in names (< > : " | ? * and control bytes), not made of
// dots and spaces only, not a device name (CON, NUL, COM1, ...), and whole GBK characters.
bool isSafeFileName(const std::string& name);

// A manifest sub-folder that stays inside the client folder: empty, or relative folder names
// separated by '\' (or '/'), each of them a safe file name. This refuses absolute paths, drive
// letters, a leading backslash (and so UNC paths) and ".." levels.
bool isSafeSubfolder(const std::string& path);

// Both the name (which is also the download cache name) and the sub-folder are safe.
bool isSafePatchLocation(const PatchEntry& entry);

// The folder names of a sub-folder, outermost first; empty levels (doubled separators) are
// left out. A '\' that is the trail byte of a two-byte character does not separate.
std::vector<std::string> folderLevels(const std::string& path);

}  // namespace patching
