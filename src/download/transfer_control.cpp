#include "download/transfer_control.h"

#include <algorithm>

namespace download {

namespace {

// A stop is seen within this time by a connection waiting here.
constexpr std::chrono::milliseconds kStopLook{100};

}  // namespace

void TransferControl::setRate(int64_t bytesPerSecond) {
  std::lock_guard guard(lock_);
  bucket_.setRate(bytesPerSecond, Clock::now());
  rate_.store(bucket_.rate());
  changed_.notify_all();
}

void TransferControl::pause() {
  std::lock_guard guard(lock_);
  paused_.store(true);
}

void TransferControl::resume() {
  std::lock_guard guard(lock_);
  paused_.store(false);
  changed_.notify_all();
}

// One wait of at most kStopLook; false once `stop` is raised.
bool TransferControl::waitStep(std::unique_lock<std::mutex>& lock, Clock::time_point until,
                               const std::atomic<bool>& stop) {
  if (stop.load()) return false;
  changed_.wait_until(lock, std::min(until, Clock::now() + kStopLook));
  return !stop.load();
}

TransferControl::Wait TransferControl::grant(int64_t wanted, int64_t& granted, const std::atomic<bool>& stop,
                                             std::chrono::milliseconds patience) {
  granted = wanted;
  if (rate_.load() <= 0 && !paused_.load()) return Wait::granted;
  std::unique_lock lock(lock_);
  Clock::time_point pausedSince = Clock::now();
  for (;;) {
    if (paused_.load()) {
      if (Clock::now() - pausedSince >= patience) return Wait::pausedTooLong;
      if (!waitStep(lock, pausedSince + patience, stop)) return Wait::stopped;
      continue;
    }
    pausedSince = Clock::now();
    granted = bucket_.take(wanted, Clock::now());
    if (granted > 0) return Wait::granted;
    // Waiting for a small share lets the five connections take turns.
    Clock::time_point ready = bucket_.readyAt(std::min<int64_t>(wanted, 4096), Clock::now());
    if (!waitStep(lock, ready, stop)) return Wait::stopped;
  }
}

void TransferControl::giveBack(int64_t bytes) {
  if (rate_.load() <= 0 || bytes <= 0) return;
  std::lock_guard guard(lock_);
  bucket_.giveBack(bytes);
}

bool TransferControl::waitResumed(const std::atomic<bool>& stop) {
  std::unique_lock lock(lock_);
  while (paused_.load()) {
    if (!waitStep(lock, Clock::now() + kStopLook, stop)) return false;
  }
  return !stop.load();
}

}  // namespace download
