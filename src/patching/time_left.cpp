#include "patching/time_left.h"

#include <algorithm>
#include <vector>

namespace patching {

namespace {

constexpr double kStallShare = 0.25;   // a sample below this share of the speed is a stall
constexpr double kTrimShare = 0.25;    // left out at each end of the sorted samples
constexpr double kRiseMargin = 0.10;   // the estimate must exceed the shown value by this much to raise it

}  // namespace

int64_t timeLeftUnit(int64_t seconds) {
  if (seconds < 60) return 5;
  if (seconds < 180) return 10;
  if (seconds < 600) return 30;
  if (seconds < 3600) return 60;
  if (seconds < 36000) return 600;
  return 3600;
}

int64_t roundTimeLeft(int64_t seconds) {
  seconds = std::clamp<int64_t>(seconds, 0, kLongestTimeLeft);
  int64_t unit = timeLeftUnit(seconds);
  int64_t rounded = (seconds + unit / 2) / unit * unit;
  return std::max<int64_t>(rounded, 5);
}

double TimeLeftEstimator::speed() const {
  if (counted_.empty()) return 0;
  std::vector<double> sorted(counted_.begin(), counted_.end());
  std::sort(sorted.begin(), sorted.end());
  auto cut = static_cast<size_t>(static_cast<double>(sorted.size()) * kTrimShare);
  double sum = 0;
  for (size_t i = cut; i < sorted.size() - cut; ++i) sum += sorted[i];
  return sum / static_cast<double>(sorted.size() - 2 * cut);
}

void TimeLeftEstimator::count(double rate) {
  counted_.push_back(rate);
  if (counted_.size() > kWindow) counted_.pop_front();
}

void TimeLeftEstimator::addSample(uint32_t elapsedMs, int64_t bytes) {
  if (elapsedMs == 0) return;
  double rate = static_cast<double>(std::max<int64_t>(bytes, 0)) * 1000.0 / elapsedMs;
  bool stall = !counted_.empty() && rate < speed() * kStallShare;
  if (!stall) {
    held_.clear();
    heldMs_ = 0;
    count(rate);
    return;
  }
  held_.push_back(rate);
  heldMs_ += elapsedMs;
  if (heldMs_ < kStallHoldMs) return;
  // A long stall is the network's speed now: every second of it counts from here on.
  for (double r : held_) count(r);
  held_.clear();
}

int64_t TimeLeftEstimator::update(int64_t remaining) {
  double bytesPerSecond = speed();
  if (remaining <= 0 || !settled()) return shown_ = 0;
  double estimate = bytesPerSecond > 0 ? static_cast<double>(remaining) / bytesPerSecond
                                       : static_cast<double>(kLongestTimeLeft);
  estimate = std::min(estimate, static_cast<double>(kLongestTimeLeft));
  int64_t candidate = roundTimeLeft(static_cast<int64_t>(estimate + 0.5));
  if (shown_ == 0 || candidate < shown_) return shown_ = candidate;
  if (estimate > static_cast<double>(shown_) * (1 + kRiseMargin))
    shown_ = std::min(candidate, shown_ + timeLeftUnit(shown_));
  return shown_;
}

}  // namespace patching
