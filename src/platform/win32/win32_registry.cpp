#include "platform/win32/win32_registry.h"

namespace platform::win32 {

// Placeholder until this area is built.
bool Win32Registry::defaultValue(RegistryRoot, const std::string&, std::string&) { return false; }

}  // namespace platform::win32
