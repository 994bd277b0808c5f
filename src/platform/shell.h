#pragma once
#include <string>

#include "platform/processes.h"

namespace platform {

class Shell {
 public:
  virtual ~Shell() = default;
  // Opens a document or an address with the shell's default handler (an empty verb is the
  // default action), shown normally. The outcome is not reported.
  virtual void execute(WindowHandle owner, const std::string& verb, const std::string& file) = 0;
  // The first top-level window whose title is exactly `title`; 0 when none.
  virtual WindowHandle findWindowByTitle(const std::string& title) = 0;
};

}  // namespace platform
