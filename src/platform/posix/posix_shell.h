#pragma once
#include "platform/posix/child_reaper.h"
#include "platform/shell.h"

namespace platform::posix {

// The desktop's opener (xdg-open) stands in for the shell; there are no top-level windows
// to find by title, and no elevation to ask for: a restart with administrator rights is
// reported as not possible, so the caller ends as it would after a refusal.
class PosixShell : public Shell {
 public:
  void execute(WindowHandle owner, const std::string& verb, const std::string& file) override;
  WindowHandle findWindowByTitle(const std::string& title) override;
  bool runElevated(const std::string& program, const std::vector<std::string>& arguments,
                   const std::string& folder) override;

 private:
  ChildReaper reaper_;
};

}  // namespace platform::posix
