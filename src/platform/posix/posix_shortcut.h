#pragma once
#include "platform/shortcut.h"

namespace platform::posix {

class PosixShortcutObject : public ShortcutObject {
 public:
  bool readLink(const std::string& path, LinkShortcut& link) override;
};

}  // namespace platform::posix
