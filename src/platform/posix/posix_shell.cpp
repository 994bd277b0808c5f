#include "platform/posix/posix_shell.h"

#include <spawn.h>

#include <string>

#include "platform/posix/host_text.h"

extern char** environ;

namespace platform::posix {

void PosixShell::execute(WindowHandle, const std::string&, const std::string& file) {
  if (file.empty()) return;
  std::string program = "xdg-open";
  // Addresses go as they are; documents are launcher paths and need this system's spelling.
  bool address = file.find("://") != std::string::npos;
  std::string target = address ? convert(file, "GBK", "UTF-8") : hostPath(file);
  char* argv[] = {program.data(), target.data(), nullptr};
  pid_t pid = 0;
  if (::posix_spawnp(&pid, program.c_str(), nullptr, nullptr, argv, environ) == 0) reaper_.adopt(pid);
}

WindowHandle PosixShell::findWindowByTitle(const std::string&) { return 0; }

bool PosixShell::runElevated(const std::string&, const std::vector<std::string>&, const std::string&) {
  return false;
}

}  // namespace platform::posix
