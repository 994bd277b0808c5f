#include "platform/posix/child_reaper.h"

#include <sys/wait.h>

#include <cerrno>
#include <chrono>

namespace platform::posix {

ChildReaper::~ChildReaper() {
  if (thread_.joinable()) {
    thread_.request_stop();
    changed_.notify_all();
    thread_.join();
  }
}

void ChildReaper::adopt(pid_t pid) {
  std::lock_guard lock(mutex_);
  children_.insert(pid);
  if (!thread_.joinable()) thread_ = std::jthread([this](std::stop_token stop) { loop(stop); });
  changed_.notify_all();
}

void ChildReaper::loop(std::stop_token stop) {
  std::unique_lock lock(mutex_);
  while (!stop.stop_requested()) {
    for (auto it = children_.begin(); it != children_.end();) {
      pid_t r = ::waitpid(*it, nullptr, WNOHANG);
      it = (r == *it || (r < 0 && errno == ECHILD)) ? children_.erase(it) : std::next(it);
    }
    changed_.wait_for(lock, stop, std::chrono::milliseconds(250), [] { return false; });
  }
}

}  // namespace platform::posix
