#pragma once
#include <string>
#include <vector>

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
  // Starts `program` again with `arguments` in `folder`, with administrator rights (the
  // system asks the player first). False when it was not started: refused, or not possible.
  virtual bool runElevated(const std::string& program, const std::vector<std::string>& arguments,
                           const std::string& folder) = 0;
};

}  // namespace platform
