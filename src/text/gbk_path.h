#pragma once
#include <string>

namespace text {

// Position of the last '\' of a GBK path that is a separator, not the trail byte of a
// two-byte character; npos when there is none.
size_t lastSeparator(const std::string& path);

}  // namespace text
