#pragma once
#include "platform/shortcut.h"

namespace platform::win32 {

class Win32ShortcutObject : public ShortcutObject {
 public:
  bool readLink(const std::string& path, LinkShortcut& link) override;
};

}  // namespace platform::win32
