#include "platform/posix/posix_ini.h"

namespace platform::posix {

// Placeholder until this area is built.
std::string PosixIni::read(const std::string&, const std::string&, const std::string&, size_t) { return {}; }
bool PosixIni::write(const std::string&, const std::string&, const std::string&, const std::string&) { return false; }

}  // namespace platform::posix
