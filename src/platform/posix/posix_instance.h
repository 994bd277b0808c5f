#pragma once
#include <atomic>
#include <mutex>
#include <thread>

#include "platform/instance.h"
#include "platform/posix/unique_fd.h"

namespace platform::posix {

// The marker is a lock on a file of the user's runtime folder (see markerFolder): the kernel
// drops the lock when the process dies, however it dies. Per user, like a named event of one
// Windows session: one user's launcher never silences another's.
class PosixInstanceMarker : public InstanceMarker {
 public:
  bool openExisting(const std::string& name) override;
  bool create(const std::string& name) override;
  void release() override { marker_.reset(); }

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

// A folder that only this user can change: a real directory (not a symlink), owned by us,
// writable by nobody else.
bool isPrivateFolder(const std::string& path);
// Where the markers live: $XDG_RUNTIME_DIR when it is set and private, else
// <tmp>/vktalv-<uid>, created private when missing; empty when neither can be had.
std::string markerFolder(const std::string& tmp = "/tmp");
std::string markerFile(const std::string& name);
std::string windowSocketName(int pid, bool visible);

}  // namespace platform::posix
