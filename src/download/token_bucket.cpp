#include "download/token_bucket.h"

#include <algorithm>
#include <cmath>

#include "download/segment_table.h"

namespace download {

int64_t TokenBucket::capacity() const { return std::max<int64_t>(rate_ / 20, kReceiveBuffer); }

void TokenBucket::setRate(int64_t bytesPerSecond, Clock::time_point now) {
  refill(now);
  rate_ = std::max<int64_t>(bytesPerSecond, 0);
  tokens_ = std::min(tokens_, static_cast<double>(capacity()));
}

void TokenBucket::refill(Clock::time_point now) {
  if (!started_ || now < last_) last_ = now;
  started_ = true;
  double seconds = std::chrono::duration<double>(now - last_).count();
  last_ = now;
  tokens_ = std::min(tokens_ + seconds * static_cast<double>(rate_), static_cast<double>(capacity()));
}

int64_t TokenBucket::take(int64_t wanted, Clock::time_point now) {
  if (rate_ <= 0) return wanted;
  refill(now);
  auto granted = std::min<int64_t>(wanted, static_cast<int64_t>(std::floor(tokens_)));
  if (granted <= 0) return 0;
  tokens_ -= static_cast<double>(granted);
  return granted;
}

void TokenBucket::giveBack(int64_t bytes) {
  if (rate_ <= 0 || bytes <= 0) return;
  tokens_ = std::min(tokens_ + static_cast<double>(bytes), static_cast<double>(capacity()));
}

TokenBucket::Clock::time_point TokenBucket::readyAt(int64_t bytes, Clock::time_point now) {
  if (rate_ <= 0) return now;
  refill(now);
  double missing = static_cast<double>(std::min(bytes, capacity())) - tokens_;
  if (missing <= 0) return now;
  auto wait = std::chrono::duration<double>(missing / static_cast<double>(rate_));
  return now + std::chrono::ceil<Clock::duration>(wait);
}

}  // namespace download
