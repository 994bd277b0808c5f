#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace download {

// The engine-wide receive buffer: no receive call asks for more, and the size below
// which a file is fetched as one segment.
inline constexpr int64_t kReceiveBuffer = 20480;

struct Segment {
  int64_t start = 0;
  int64_t length = 0;
  int64_t received = 0;
  int owner = 0;  // the connection working on it, 0 for none

  int64_t missing() const { return length - received; }
  bool complete() const { return received >= length; }
};

// The segments of one file, in the order they were made. Not thread-safe: the task's
// lock guards it.
class SegmentTable {
 public:
  SegmentTable() = default;
  explicit SegmentTable(std::vector<Segment> segments);

  // `connections` segments of size / connections bytes (the last one takes the rest),
  // or one segment when the file is smaller than the receive buffer.
  static SegmentTable fresh(int64_t size, int connections);

  // Work for a further connection: the first segment neither assigned nor complete, else
  // a split of the segment with the most bytes still missing when at least two receive
  // buffers remain there. The segment is assigned to `owner`; -1 when there is no work.
  int assign(int owner);

  const std::vector<Segment>& segments() const { return segments_; }
  Segment& at(int index) { return segments_[static_cast<size_t>(index)]; }
  int64_t receivedTotal() const;
  bool complete() const;

 private:
  std::vector<Segment> segments_;
};

}  // namespace download
