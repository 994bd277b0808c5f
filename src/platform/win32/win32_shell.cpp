#include "platform/win32/win32_shell.h"

namespace platform::win32 {

// Placeholder until this area is built.
void Win32Shell::execute(WindowHandle, const std::string&, const std::string&) {}
WindowHandle Win32Shell::findWindowByTitle(const std::string&) { return 0; }

}  // namespace platform::win32
