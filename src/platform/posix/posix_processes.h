#pragma once
#include "platform/processes.h"

namespace platform::posix {

// Processes come from /proc. Linux has no system-wide list of top-level windows, so the
// walk covers the windows that launchers publish (see PosixWindowPresence); a window's
// handle is its owner's process id, its class name is "VKTALVWINDOW" and it has no title.
class PosixProcesses : public Processes {
 public:
  bool snapshot(std::vector<ProcessEntry>& entries) override;
  WindowHandle nextTopLevelWindow(WindowHandle after) override;
  bool windowExists(WindowHandle window) override;
  bool windowVisible(WindowHandle window) override;
  uint32_t windowProcess(WindowHandle window) override;
  bool windowClassName(WindowHandle window, int bufferLength, std::string& name) override;
  std::string windowTitle(WindowHandle window) override;
  void activateWindow(WindowHandle window) override;
  void pumpMessages() override;
};

// The executable name of a process as Windows would report it: the file name of its image,
// or for a program run by Wine the file name in its first argument.
std::string processExeName(const std::string& imagePath, const std::string& firstArgument);

}  // namespace platform::posix
