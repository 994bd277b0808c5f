#include "platform/posix/posix_shortcut.h"

#include "platform/posix/posix_files.h"
#include "platform/posix/shell_link_file.h"

namespace platform::posix {

// Linux has no shell-scripting object: the link file's own bytes are read instead.
bool PosixShortcutObject::readLink(const std::string& path, LinkShortcut& link) {
  link = {};
  std::string bytes;
  PosixFiles files;
  if (!files.readWhole(path, bytes)) return false;
  if (parseShellLink(bytes, link)) return true;
  link = {};
  return false;
}

}  // namespace platform::posix
