#include "platform/posix/posix_shortcut.h"

namespace platform::posix {

// Placeholder until this area is built.
bool PosixShortcutObject::readLink(const std::string&, LinkShortcut&) { return false; }

}  // namespace platform::posix
