#pragma once
#include <string>

#include "platform/platform.h"

namespace launch {

// The address of an internet shortcut; `path` gains ".url" when it lacks that ending.
std::string readUrlShortcut(platform::Platform& p, std::string& path, std::string& iconFile);
// The target of a shell link; `path` gains ".lnk" when it lacks that ending. When the link
// cannot be read the result is empty and `arguments` and `iconLocation` keep their values.
std::string readLinkShortcut(platform::Platform& p, std::string& path, std::string& arguments,
                             std::string& iconLocation);

}  // namespace launch
