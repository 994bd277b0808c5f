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

// A name that Windows takes for a device rather than a file, whatever its extension and with
// ASCII letters in any case: CON, PRN, AUX, NUL, CONIN$, CONOUT$, CLOCK$, COM1-COM9 and
// LPT1-LPT9, and COM or LPT with a superscript 1, 2 or 3 as the system code page may spell it.
bool isDeviceName(const std::string& name);

}  // namespace text
