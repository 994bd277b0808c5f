#include "platform/win32/win32_shortcut.h"

namespace platform::win32 {

// Placeholder until this area is built.
bool Win32ShortcutObject::readLink(const std::string&, LinkShortcut&) { return false; }

}  // namespace platform::win32
