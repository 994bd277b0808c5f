#pragma once
#include <bitset>
#include <string>

namespace text {

// The bytes that begin a two-byte character in a code page.
using LeadBytes = std::bitset<256>;

// GBK's lead bytes, 0x81-0xFE: the launcher's own texts and the manifest's.
LeadBytes gbkLeadBytes();

// Position of the last '\' of a path that is a separator, not the trail byte of a two-byte
// character of the path's code page; npos when there is none.
size_t lastSeparator(const std::string& path, const LeadBytes& lead = gbkLeadBytes());

}  // namespace text
