#pragma once
#include "platform/shell.h"

namespace platform::win32 {

class Win32Shell : public Shell {
 public:
  void execute(WindowHandle owner, const std::string& verb, const std::string& file) override;
  WindowHandle findWindowByTitle(const std::string& title) override;
  bool runElevated(const std::string& program, const std::vector<std::string>& arguments,
                   const std::string& folder) override;
};

}  // namespace platform::win32
