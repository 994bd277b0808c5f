#include "platform/posix/posix_network.h"

namespace platform::posix {

// Placeholder until this area is built.
int PosixNetwork::icmpEcho(const std::string&, int) { return -1; }

}  // namespace platform::posix
