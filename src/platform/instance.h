#pragma once
#include <functional>
#include <string>

namespace platform {

// A named marker that exists exactly as long as the process that created it.
class InstanceMarker {
 public:
  virtual ~InstanceMarker() = default;
  // True when another process holds a marker of that name.
  virtual bool openExisting(const std::string& name) = 0;
  // Creates the marker and keeps it until the process ends; false when that failed.
  virtual bool create(const std::string& name) = 0;
  // Gives the marker up before the process ends, for a successor that must not see it.
  virtual void release() = 0;
};

// Makes this process's window findable by the window walk of another copy, where the system
// has no top-level window list of its own. Activation requests arrive on another thread.
class WindowPresence {
 public:
  virtual ~WindowPresence() = default;
  virtual void publish(bool visible, std::function<void()> onActivate) = 0;
};

}  // namespace platform
