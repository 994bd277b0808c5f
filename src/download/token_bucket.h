#pragma once
#include <chrono>
#include <cstdint>

namespace download {

// A byte budget refilled at a steady rate in small steps: what was not spent in the last
// twentieth of a second or so is not kept, so the rate holds over any stretch of time and a
// pause of the takers does not turn into a burst afterwards. Not thread-safe; pure arithmetic
// over the times it is given, so tests run it on simulated time.
class TokenBucket {
 public:
  using Clock = std::chrono::steady_clock;

  // 0: no limit.
  void setRate(int64_t bytesPerSecond, Clock::time_point now);
  int64_t rate() const { return rate_; }

  // Up to `wanted` bytes that may be taken now, taken; 0 when the budget is spent.
  int64_t take(int64_t wanted, Clock::time_point now);
  // Bytes taken but not used go back.
  void giveBack(int64_t bytes);
  // When `bytes` (at most the capacity) will be there to take.
  Clock::time_point readyAt(int64_t bytes, Clock::time_point now);
  // The most the budget holds: a twentieth of a second at the rate, at least one receive call.
  int64_t capacity() const;

 private:
  void refill(Clock::time_point now);

  int64_t rate_ = 0;
  double tokens_ = 0;
  Clock::time_point last_{};
  bool started_ = false;
};

}  // namespace download
