#pragma once
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>

namespace platform {

// Runs a blocking call that has no time-out of its own (a host-name lookup waiting on a
// silent name server) on a thread of its own, and waits for it at most `timeoutMs` or
// until `stop` is raised; empty when it gave up. The call then runs on and its result is
// dropped: the thread owns everything it touches, so nothing dangles. When no thread can
// be started the call runs here, as it would have without this.
template <class Result, class Work>
std::optional<Result> callWithin(Work work, int timeoutMs, const std::atomic<bool>& stop) {
  struct Shared {
    std::mutex mutex;
    std::condition_variable done;
    std::optional<Result> result;
  };
  auto shared = std::make_shared<Shared>();
  try {
    std::thread([shared, work]() mutable {
      Result result = work();
      std::lock_guard guard(shared->mutex);
      shared->result.emplace(std::move(result));
      shared->done.notify_all();
    }).detach();
  } catch (const std::system_error&) {
    return work();
  }
  using Clock = std::chrono::steady_clock;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
  std::unique_lock lock(shared->mutex);
  while (!shared->result) {
    Clock::time_point now = Clock::now();
    if (stop.load() || now >= deadline) return std::nullopt;
    // The stop flag has no way to wake this wait: look at it ten times a second.
    shared->done.wait_until(lock, std::min(deadline, now + std::chrono::milliseconds(100)));
  }
  return std::move(shared->result);
}

}  // namespace platform
