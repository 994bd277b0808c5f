#pragma once
#include <atomic>
#include <mutex>
#include <thread>

#include "platform/instance.h"
#include "platform/posix/unique_fd.h"

namespace platform::posix {

// The marker is an abstract unix socket bound under the name: the kernel drops it when the
// process dies, however it dies.
class PosixInstanceMarker : public InstanceMarker {
 public:
  bool openExisting(const std::string& name) override;
  bool create(const std::string& name) override;

 private:
  UniqueFd marker_;
};

// Publishes the window as a listening abstract socket "vktalv-window-<pid>-<v|h>" that the
// window walk of another copy finds; a connection carrying "activate" raises the window.
class PosixWindowPresence : public WindowPresence {
 public:
  ~PosixWindowPresence() override;
  void publish(bool visible, std::function<void()> onActivate) override;

 private:
  void stop();
  void serve(int listener);

  std::mutex mutex_;
  UniqueFd listener_;
  std::thread thread_;
  std::function<void()> onActivate_;
};

std::string instanceSocketName(const std::string& name);
std::string windowSocketName(int pid, bool visible);

}  // namespace platform::posix
