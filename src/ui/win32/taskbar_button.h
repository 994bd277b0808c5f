#pragma once
#include <windows.h>
#include <shobjidl.h>

#include "ui/backend.h"
#include "ui/win32/com_ptr.h"

namespace ui::win32 {

// The progress on the window's taskbar button, through the shell's taskbar object. The
// object is made when the taskbar announces the button, or at the first change before that;
// where the shell has none, nothing is shown and nothing fails. Lives on the window thread,
// inside its COM apartment: release() comes before the apartment ends.
class TaskbarButton {
 public:
  void setup(HWND window) { window_ = window; }
  // The taskbar made (or after a restart of the shell, made again) the window's button:
  // a fresh object that shows the last progress.
  void buttonCreated();
  // True when the taskbar object took the change.
  bool show(TaskbarState state, int percent);
  // Flashes the button of a minimised window once; false when the window is not minimised.
  bool flashIfMinimised();
  void release() { list_.reset(); }

 private:
  bool ensure();
  bool apply();

  HWND window_ = nullptr;
  ComPtr<ITaskbarList3> list_;
  bool tried_ = false;
  TaskbarState state_ = TaskbarState::None;
  int percent_ = 0;
};

}  // namespace ui::win32
