#pragma once
#include <string>

namespace platform {

struct LinkShortcut {
  std::string targetPath;
  std::string arguments;
  std::string iconLocation;
};

// Reads shell links (".lnk" files).
class ShortcutObject {
 public:
  virtual ~ShortcutObject() = default;
  // False when the link cannot be read; the fields are then empty.
  virtual bool readLink(const std::string& path, LinkShortcut& link) = 0;
};

}  // namespace platform
