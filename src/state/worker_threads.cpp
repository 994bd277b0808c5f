#include "state/worker_threads.h"

#include <algorithm>
#include <chrono>
#include <system_error>

namespace state {

WorkerThreads::~WorkerThreads() {
  std::unique_lock lock(shared_->mutex);
  joinFinished(lock);
  for (Worker& worker : workers_) worker.thread.detach();
}

void WorkerThreads::start(std::function<void()> body) {
  auto done = std::make_shared<bool>(false);
  std::unique_lock lock(shared_->mutex);
  joinFinished(lock);
  try {
    std::thread thread([shared = shared_, done, body] {
      body();
      std::lock_guard guard(shared->mutex);
      *done = true;
      shared->changed.notify_all();
    });
    workers_.push_back({std::move(thread), done});
  } catch (const std::system_error&) {
    lock.unlock();
    body();
  }
}

bool WorkerThreads::finish(int timeoutMs) {
  std::unique_lock lock(shared_->mutex);
  auto allDone = [this] {
    return std::all_of(workers_.begin(), workers_.end(), [](const Worker& w) { return *w.done; });
  };
  shared_->changed.wait_for(lock, std::chrono::milliseconds(std::max(timeoutMs, 0)), allDone);
  joinFinished(lock);
  return workers_.empty();
}

// A finished thread has only its own teardown left, so joining it is quick; it is joined
// outside the lock, which that teardown never takes again.
void WorkerThreads::joinFinished(std::unique_lock<std::mutex>& lock) {
  std::vector<std::thread> finished;
  auto running = std::partition(workers_.begin(), workers_.end(), [](const Worker& w) { return !*w.done; });
  for (auto it = running; it != workers_.end(); ++it) finished.push_back(std::move(it->thread));
  workers_.erase(running, workers_.end());
  lock.unlock();
  for (std::thread& thread : finished) thread.join();
  lock.lock();
}

}  // namespace state
