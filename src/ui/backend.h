#pragma once
#include <string>

#include "ui/component.h"
#include "ui/menu.h"

namespace ui {

// The progress shown on the window's taskbar button.
enum class TaskbarState { None, Normal, Error };

struct WindowProps {
  std::string title;  // GBK, converted for display
  bool visible = true;
  int state = 0;  // 0 normal, 1 restore centred, 2 minimised, 3 maximised
  bool trayInstalled = false;
  std::string trayTooltip;  // at most 62 bytes
  // While not empty, the tray icon shows this instead of trayTooltip (at most 62 bytes).
  std::string trayStatus;
  TaskbarState taskbarState = TaskbarState::None;
  int taskbarPercent = 0;  // 0 to 100
  int attentionRequests = 0;  // counts the requests to flash the taskbar button
};

// The tooltip the tray icon shows now.
inline const std::string& shownTrayTooltip(const WindowProps& p) {
  return p.trayStatus.empty() ? p.trayTooltip : p.trayStatus;
}

// What a queued change touched, so a backend redraws only that.
enum class Change {
  Caption, Color, Picture, Visible, Enabled, Position, Interval, Items, Selection, Address,
  Title, WindowVisible, WindowState, Tray, TrayStatus, Taskbar, Attention,
};

// Renders the model on the window thread and wakes that thread when work is queued.
class Backend {
 public:
  virtual ~Backend() = default;
  // Window thread: show a component's new state.
  virtual void apply(const Component& component, Change change) = 0;
  // Window thread: show the window's new state.
  virtual void applyWindow(const WindowProps& props, Change change) = 0;
  // Any thread: a task was queued for the window thread.
  virtual void wake() = 0;
  // Window thread: pops up a menu at the pointer. The choice, if the player makes one, comes
  // back later through Window::raiseMenuChoice; dismissing the menu reports nothing.
  virtual void showMenu(const Menu& menu) = 0;
  // Any thread: a task-modal message box with an OK button; returns when dismissed.
  virtual void messageBox(const std::string& text) = 0;
  // Any thread: the same box with Yes and No buttons; true for Yes.
  virtual bool question(const std::string& text) = 0;
};

// Carries the client socket component's connection. It reports an arrival with
// Window::socketDataArrived (the bytes stay in the socket until take) or hands bytes over
// at once with Window::receiveSocketData.
class SocketDriver {
 public:
  virtual ~SocketDriver() = default;
  virtual void connect(const std::string& host, int port) = 0;
  virtual void disconnect() = 0;
  // Window thread: every byte the connection holds now; empty when it has nothing.
  virtual std::string take() { return {}; }
};

}  // namespace ui

namespace ui {

// A backend that owns the window thread: run() raises the created event once every
// component exists, then serves events and queued tasks until the process ends.
class LoopBackend : public Backend {
 public:
  virtual void run() = 0;
  // After run(): the process's exit code for how the run ended.
  virtual int exitCode() const { return 0; }
};

}  // namespace ui
