#include "platform/win32/win32_process_starter.h"

namespace platform::win32 {

// Placeholder until this area is built.
bool Win32ProcessStarter::create(const std::string&, const std::string&, const std::string&, const StartupRecord&,
                                 ProcessRecord&) {
  return false;
}
void Win32ProcessStarter::waitForInputIdle(uintptr_t, int) {}
void Win32ProcessStarter::waitForExit(uintptr_t) {}
void Win32ProcessStarter::closeHandle(uintptr_t) {}
std::string Win32ProcessStarter::shortPathName(const std::string&) { return {}; }
std::string Win32ProcessStarter::windowsDirectory() { return {}; }
std::string Win32ProcessStarter::systemDirectory() { return {}; }

}  // namespace platform::win32
