#pragma once
#include "platform/instance.h"
#include "platform/processes.h"
#include "platform/win32/unique_handle.h"

namespace platform::win32 {

class Win32Processes : public Processes {
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

// A named event object: auto-reset, not signalled, kept open until the process ends.
class Win32InstanceMarker : public InstanceMarker {
 public:
  bool openExisting(const std::string& name) override;
  bool create(const std::string& name) override;
  void release() override { event_.reset(); }

 private:
  UniqueHandle event_;
};

// Windows lists top-level windows itself; nothing to publish.
class Win32WindowPresence : public WindowPresence {
 public:
  void publish(bool, std::function<void()>) override {}
};

}  // namespace platform::win32
