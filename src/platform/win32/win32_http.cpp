#include "platform/win32/win32_http.h"

namespace platform::win32 {

// Placeholder until this area is built.
std::string Win32HttpClient::get(const std::string&, int, const std::string&) { return {}; }

}  // namespace platform::win32
