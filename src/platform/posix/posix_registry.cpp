#include "platform/posix/posix_registry.h"

namespace platform::posix {

// Linux keeps no registry of file associations or application paths that the opener could
// use: every key reads as missing, so documents have no opener and programs are looked for
// by name and in the Windows folders only.
bool PosixRegistry::defaultValue(RegistryRoot, const std::string&, std::string&) { return false; }

// Nor a per-user store for the settings of the Windows browser control: nothing to read or write.
bool PosixRegistry::userDword(const std::string&, const std::string&, uint32_t&) { return false; }
bool PosixRegistry::setUserDword(const std::string&, const std::string&, uint32_t) { return false; }

}  // namespace platform::posix
