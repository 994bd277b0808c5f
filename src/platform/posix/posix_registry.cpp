#include "platform/posix/posix_registry.h"

namespace platform::posix {

// Placeholder until this area is built.
bool PosixRegistry::defaultValue(RegistryRoot, const std::string&, std::string&) { return false; }

}  // namespace platform::posix
