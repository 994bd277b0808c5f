#include "platform/posix/posix_process_starter.h"

namespace platform::posix {

// Placeholder until this area is built.
bool PosixProcessStarter::create(const std::string&, const std::string&, const std::string&, const StartupRecord&,
                                 ProcessRecord&) {
  return false;
}
void PosixProcessStarter::waitForInputIdle(uintptr_t, int) {}
void PosixProcessStarter::waitForExit(uintptr_t) {}
void PosixProcessStarter::closeHandle(uintptr_t) {}
std::string PosixProcessStarter::shortPathName(const std::string&) { return {}; }
std::string PosixProcessStarter::windowsDirectory() { return {}; }
std::string PosixProcessStarter::systemDirectory() { return {}; }

}  // namespace platform::posix
