#include "platform/posix/posix_http.h"

namespace platform::posix {

// Placeholder until this area is built.
std::string PosixHttpClient::get(const std::string&, int, const std::string&) { return {}; }

}  // namespace platform::posix
