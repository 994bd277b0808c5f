#pragma once
#include <string>

#include "platform/files.h"

namespace patching {

// Creates every missing folder level of `path` below clientFolder, outermost first. A level
// that cannot be created is not reported here: the move into it fails afterwards.
void createSubfolders(platform::Files& files, const std::string& clientFolder, const std::string& path);

// Moves a finished download to its place, replacing a file that is there: a plain rename,
// else a copy with overwriting followed by deleting the source (the move counts as done when
// only that deletion fails).
bool moveIntoPlace(platform::Files& files, const std::string& from, const std::string& to);

}  // namespace patching
