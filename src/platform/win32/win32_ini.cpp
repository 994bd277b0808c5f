#include "platform/win32/win32_ini.h"

namespace platform::win32 {

// Placeholder until this area is built.
std::string Win32Ini::read(const std::string&, const std::string&, const std::string&, size_t) { return {}; }
bool Win32Ini::write(const std::string&, const std::string&, const std::string&, const std::string&) { return false; }

}  // namespace platform::win32
