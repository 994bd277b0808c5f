#pragma once
#include "platform/posix/child_reaper.h"
#include "platform/shell.h"

namespace platform::posix {

// The desktop's opener (xdg-open) stands in for the shell; there are no top-level windows
// to find by title.
class PosixShell : public Shell {
 public:
  void execute(WindowHandle owner, const std::string& verb, const std::string& file) override;
  WindowHandle findWindowByTitle(const std::string& title) override;

 private:
  ChildReaper reaper_;
};

}  // namespace platform::posix
