#pragma once
#include <string>

namespace platform::posix {

// Converts between encodings with iconv; characters that cannot be converted become '?'.
std::string convert(const std::string& bytes, const char* from, const char* to);

// Paths of this system are UTF-8, and so are the launcher's paths here: only the separators
// differ ('\' in the launcher, '/' here). In UTF-8 every byte of a longer character is 0x80
// or above, so a byte-wise exchange never touches one.
std::string hostPath(const std::string& launcherPath);
std::string launcherPath(const std::string& hostPath);

}  // namespace platform::posix
