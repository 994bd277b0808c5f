#pragma once
#include <cstdint>
#include <deque>

namespace patching {

// The rounding unit of a time left of `seconds`: 5 s under a minute, 10 s under three
// minutes, 30 s under ten, whole minutes under an hour, ten minutes under ten hours, else
// whole hours. Each unit divides the next, so a shown value plus its own unit lies on the
// next range's grid as well.
int64_t timeLeftUnit(int64_t seconds);

// `seconds` rounded to the nearest unit of its range; at least 5.
int64_t roundTimeLeft(int64_t seconds);

// The longest time left shown: 99 hours.
inline constexpr int64_t kLongestTimeLeft = 99 * 3600;

// Estimates the time left of a run from the speed samples the once-a-second timer takes.
// The time comes from outside (the length of each sample period), so the estimate is the
// same for the same samples wherever it runs.
//
// The speed is the mean of the recent samples with the fastest and slowest quarter left
// out, so a burst or a few slow seconds move it little. A stall (samples under a quarter
// of that speed) is held out while it is short: its seconds do not count as the network's
// speed until it has lasted kStallHoldMs, after which they do and the estimate grows.
//
// The shown value is rounded (timeLeftUnit) and moves the wrong way, upwards, only when the
// new estimate is clearly larger (by a tenth), and then by at most one unit per sample; it
// moves down freely.
class TimeLeftEstimator {
 public:
  static constexpr int kWindow = 20;          // samples the speed is taken from
  static constexpr int kSettleSamples = 5;    // samples before anything is shown
  static constexpr int64_t kStallHoldMs = 10000;

  // `bytes` arrived within `elapsedMs`; a period of 0 ms is ignored.
  void addSample(uint32_t elapsedMs, int64_t bytes);
  // After a sample: the seconds to show for `remaining` bytes, 0 while the speed has not
  // settled or nothing remains.
  int64_t update(int64_t remaining);

  // The current speed in bytes per second, 0 while no sample counts.
  double speed() const;
  bool settled() const { return counted_.size() >= kSettleSamples; }
  int64_t shown() const { return shown_; }

 private:
  void count(double rate);

  std::deque<double> counted_;  // bytes per second of the recent periods that count
  std::deque<double> held_;     // of the stall going on, not counted yet
  int64_t heldMs_ = 0;
  int64_t shown_ = 0;
};

}  // namespace patching
