#pragma once
#include "platform/shell.h"

namespace platform::posix {

class PosixShell : public Shell {
 public:
  void execute(WindowHandle owner, const std::string& verb, const std::string& file) override;
  WindowHandle findWindowByTitle(const std::string& title) override;
};

}  // namespace platform::posix
