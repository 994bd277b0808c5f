#include "platform/win32/win32_network.h"

namespace platform::win32 {

// Placeholder until this area is built.
int Win32Network::icmpEcho(const std::string&, int) { return -1; }

}  // namespace platform::win32
