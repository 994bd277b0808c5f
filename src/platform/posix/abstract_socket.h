#pragma once
#include <string>
#include <vector>

#include "platform/posix/unique_fd.h"

namespace platform::posix {

// Unix sockets in the abstract namespace: their names vanish with the last descriptor,
// so they outlive no crashed process.
UniqueFd bindAbstract(const std::string& name, bool listening);
UniqueFd connectAbstract(const std::string& name);
// Names (without the leading '@') of the abstract sockets bound on this system, in the
// order the kernel lists them.
std::vector<std::string> boundAbstractNames();

}  // namespace platform::posix
