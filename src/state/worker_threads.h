#pragma once
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace state {

// The program's background threads (configuration, patching, latency echoes). They run on
// their own, but the process ends only after those that are about to finish have finished:
// a thread still tearing itself down while the process exits is where Wine has been seen to
// crash, and an orderly end costs nothing on Windows.
class WorkerThreads {
 public:
  WorkerThreads() = default;
  WorkerThreads(const WorkerThreads&) = delete;
  WorkerThreads& operator=(const WorkerThreads&) = delete;
  ~WorkerThreads();

  // Starts `body` on a thread of its own; when no thread can be started it runs here.
  void start(std::function<void()> body);

  // Waits up to `timeoutMs` for every thread to finish and joins those that did; true when
  // none is left running. Threads still running (an echo waiting for its time-out) are left
  // to the end of the process.
  bool finish(int timeoutMs);

 private:
  struct Worker {
    std::thread thread;
    std::shared_ptr<bool> done;  // guarded by the shared mutex
  };
  // Shared with the threads, so one left running past this object touches nothing freed.
  struct Shared {
    std::mutex mutex;
    std::condition_variable changed;
  };
  void joinFinished(std::unique_lock<std::mutex>& lock);

  std::shared_ptr<Shared> shared_ = std::make_shared<Shared>();
  std::vector<Worker> workers_;  // guarded by shared_->mutex
};

}  // namespace state
