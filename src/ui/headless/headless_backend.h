#pragma once
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <functional>
#include <map>
#include <mutex>
#include <string>

#include "platform/platform.h"
#include "ui/backend.h"
#include "ui/window.h"

namespace ui {

struct HeadlessOptions {
  bool autoUpdate = false;  // press start-update once it is shown and enabled
  bool autoStart = false;   // press start-game once it is enabled (after any update), then end
  // True once the remote configuration has run to its end and no other worker is busy.
  std::function<bool()> configurationDone = [] { return false; };
};

// The window as a console: every visible change is printed as one line, message boxes are
// printed and dismissed at once, timers tick, and the two big buttons can press themselves.
class HeadlessBackend : public LoopBackend {
 public:
  HeadlessBackend(Window& window, platform::Platform& platform, HeadlessOptions options, std::FILE* out = stdout);

  void apply(const Component& component, Change change) override;
  void applyWindow(const WindowProps& props, Change change) override;
  void wake() override;
  void messageBox(const std::string& text) override;
  void run() override;

  // One turn of the loop, for tests: runs queued tasks and due timers, then the automatic
  // presses. Returns false when the loop would end.
  bool step();

 private:
  using Clock = std::chrono::steady_clock;
  void print(const std::string& name, const std::string& value);
  std::string shown(const std::string& bytes) const;
  void fireDueTimers();
  bool pressAutomatically();
  Clock::time_point nextDue() const;
  void publishPresence(bool visible);

  Window& window_;
  platform::Platform& platform_;
  HeadlessOptions options_;
  std::FILE* out_;
  std::mutex mutex_;
  std::condition_variable wakeup_;
  bool woken_ = false;
  std::map<std::string, std::pair<int, Clock::time_point>> timers_;  // name -> interval, next due
  bool pressedUpdate_ = false;
  std::mutex printMutex_;
};

}  // namespace ui
