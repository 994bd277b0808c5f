#include "platform/posix/posix_shell.h"

namespace platform::posix {

// Placeholder until this area is built.
void PosixShell::execute(WindowHandle, const std::string&, const std::string&) {}
WindowHandle PosixShell::findWindowByTitle(const std::string&) { return 0; }

}  // namespace platform::posix
