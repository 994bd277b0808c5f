#include "text/gbk_path.h"

namespace text {

LeadBytes gbkLeadBytes() {
  LeadBytes lead;
  for (int c = 0x81; c <= 0xFE; ++c) lead.set(static_cast<size_t>(c));
  return lead;
}

size_t lastSeparator(const std::string& path, const LeadBytes& lead) {
  size_t found = std::string::npos;
  for (size_t i = 0; i < path.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(path[i]);
    if (lead.test(c) && i + 1 < path.size()) {
      ++i;  // the trail byte may be 0x5C and is still part of the character
    } else if (c == '\\') {
      found = i;
    }
  }
  return found;
}

}  // namespace text
