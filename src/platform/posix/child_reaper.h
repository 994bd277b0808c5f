#pragma once
#include <sys/types.h>

#include <condition_variable>
#include <mutex>
#include <set>
#include <stop_token>
#include <thread>

namespace platform::posix {

// Collects the exit status of child processes nobody waits for, so a finished game client
// does not linger as a zombie that still looks like a running "Client.exe".
class ChildReaper {
 public:
  ChildReaper() = default;
  ~ChildReaper();
  ChildReaper(const ChildReaper&) = delete;
  ChildReaper& operator=(const ChildReaper&) = delete;

  void adopt(pid_t pid);

 private:
  void loop(std::stop_token stop);

  std::mutex mutex_;
  std::condition_variable_any changed_;
  std::set<pid_t> children_;
  std::jthread thread_;
};

}  // namespace platform::posix
