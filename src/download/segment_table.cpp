#include "download/segment_table.h"

#include <utility>

namespace download {

namespace {

constexpr size_t kGrowthStep = 10;

void reserveStep(std::vector<Segment>& segments) {
  if (segments.size() == segments.capacity()) segments.reserve(segments.size() + kGrowthStep);
}

}  // namespace

SegmentTable::SegmentTable(std::vector<Segment> segments) : segments_(std::move(segments)) {}

SegmentTable SegmentTable::fresh(int64_t size, int connections) {
  int n = size >= kReceiveBuffer && connections > 1 ? connections : 1;
  std::vector<Segment> segments;
  segments.reserve(kGrowthStep * ((static_cast<size_t>(n) + kGrowthStep - 1) / kGrowthStep));
  int64_t each = size / n;
  for (int i = 0; i < n; ++i) {
    Segment s;
    s.start = each * i;
    s.length = i == n - 1 ? each + size % n : each;
    segments.push_back(s);
  }
  return SegmentTable(std::move(segments));
}

int SegmentTable::assign(int owner) {
  for (size_t i = 0; i < segments_.size(); ++i) {
    if (segments_[i].owner == 0 && !segments_[i].complete()) {
      segments_[i].owner = owner;
      return static_cast<int>(i);
    }
  }
  size_t largest = segments_.size();
  for (size_t i = 0; i < segments_.size(); ++i) {
    if (largest == segments_.size() || segments_[i].missing() > segments_[largest].missing()) largest = i;
  }
  if (largest == segments_.size() || segments_[largest].missing() < 2 * kReceiveBuffer) return -1;
  // The owner keeps the first half, which is never less than one receive call it may
  // have in flight, so both stay inside their own bytes.
  Segment& old = segments_[largest];
  int64_t keep = (old.missing() + 1) / 2;
  Segment split;
  split.start = old.start + old.received + keep;
  split.length = old.missing() - keep;
  split.owner = owner;
  old.length = old.received + keep;
  reserveStep(segments_);
  segments_.push_back(split);
  return static_cast<int>(segments_.size() - 1);
}

int64_t SegmentTable::receivedTotal() const {
  int64_t total = 0;
  for (const Segment& s : segments_) total += s.received;
  return total;
}

bool SegmentTable::complete() const {
  for (const Segment& s : segments_) {
    if (!s.complete()) return false;
  }
  return true;
}

}  // namespace download
