#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

struct ProcessEntry {
  uint32_t pid = 0;
  std::string exeName;  // executable file name only, as the system reports it
};

using WindowHandle = uintptr_t;

// The running processes and the top-level windows, walked the way the system orders them.
class Processes {
 public:
  virtual ~Processes() = default;
  // A fresh snapshot, in the system's order; false when no snapshot could be taken.
  virtual bool snapshot(std::vector<ProcessEntry>& entries) = 0;
  // The top-level window after `after` in z-order; 0 for `after` gives the first. 0 is the end.
  virtual WindowHandle nextTopLevelWindow(WindowHandle after) = 0;
  virtual bool windowExists(WindowHandle window) = 0;
  virtual bool windowVisible(WindowHandle window) = 0;
  virtual uint32_t windowProcess(WindowHandle window) = 0;
  // Class name read into a buffer of `bufferLength` bytes; false when the read fails.
  virtual bool windowClassName(WindowHandle window, int bufferLength, std::string& name) = 0;
  virtual std::string windowTitle(WindowHandle window) = 0;
  // Restore, bring to the foreground, place non-topmost without moving or resizing.
  virtual void activateWindow(WindowHandle window) = 0;
  // Lets pending window events of the calling thread be processed.
  virtual void pumpMessages() = 0;
};

}  // namespace platform
