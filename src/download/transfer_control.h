#pragma once
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

#include "download/token_bucket.h"

namespace download {

// The player's hold on every download of the process: one speed budget that all connections
// of all tasks share (a limit for the download, not for each connection), and a pause. Any
// thread. Without a limit or a pause a connection pays two atomic loads per receive.
class TransferControl {
 public:
  void setRate(int64_t bytesPerSecond);  // 0: no limit
  int64_t rate() const { return rate_.load(); }
  void pause();
  void resume();
  bool paused() const { return paused_.load(); }

  enum class Wait { granted, stopped, pausedTooLong };
  // The bytes one receive call may take (at most `wanted`, at least one), waiting while the
  // downloads are paused and until the budget has them. stopped: `stop` was raised;
  // pausedTooLong: the pause has lasted `patience`, long enough to close the connection.
  Wait grant(int64_t wanted, int64_t& granted, const std::atomic<bool>& stop, std::chrono::milliseconds patience);
  // Bytes granted but not received go back to the budget.
  void giveBack(int64_t bytes);
  // Waits until the downloads are resumed; false when `stop` was raised first.
  bool waitResumed(const std::atomic<bool>& stop);

 private:
  using Clock = TokenBucket::Clock;
  bool waitStep(std::unique_lock<std::mutex>& lock, Clock::time_point until, const std::atomic<bool>& stop);

  std::atomic<int64_t> rate_{0};
  std::atomic<bool> paused_{false};
  std::mutex lock_;
  std::condition_variable changed_;
  TokenBucket bucket_;
};

}  // namespace download
