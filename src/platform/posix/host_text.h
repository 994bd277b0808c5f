#pragma once
#include <string>

namespace platform::posix {

// Converts between encodings with iconv; characters that cannot be converted become '?'.
std::string convert(const std::string& bytes, const char* from, const char* to);

// A launcher path (GBK, '\' separators) as a path of this system (UTF-8, '/').
std::string hostPath(const std::string& launcherPath);
// A path of this system as a launcher path.
std::string launcherPath(const std::string& hostPath);

}  // namespace platform::posix
