#include "text/gbk_path.h"

namespace text {

size_t lastSeparator(const std::string& path) {
  size_t found = std::string::npos;
  for (size_t i = 0; i < path.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(path[i]);
    if (c >= 0x81 && i + 1 < path.size()) {
      ++i;  // the trail byte may be 0x5C and is still part of the character
    } else if (c == '\\') {
      found = i;
    }
  }
  return found;
}

}  // namespace text
