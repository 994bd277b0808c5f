// libFuzzer target: the state-record reader. Each input is tried as it is and once more
// with its check value made right, so the fuzzer reaches the content checks behind it.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "download/crc16.h"
#include "download/task_state_blob.h"

namespace {

void checkAccepted(const download::TaskState& state) {
  std::vector<download::Segment> segments = state.segments;
  std::sort(segments.begin(), segments.end(), [](auto& a, auto& b) { return a.start < b.start; });
  int64_t next = 0;
  for (const download::Segment& s : segments) {
    // The engine writes at start + received, up to start + length: that must stay in the file.
    if (s.start != next || s.received < 0 || s.received > s.length || s.owner != 0) std::abort();
    next = s.start + s.length;
  }
  if (next != state.fileSize || state.url.host.empty() || state.url.path.empty()) std::abort();
  download::TaskState again;
  if (!download::decodeTaskState(download::encodeTaskState(state), again)) std::abort();
  if (again.segments.size() != state.segments.size() || again.fileSize != state.fileSize) std::abort();
}

void tryDecode(const std::string& blob) {
  download::TaskState state;
  if (download::decodeTaskState(blob, state)) checkAccepted(state);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string blob(reinterpret_cast<const char*>(data), size);
  tryDecode(blob);
  if (blob.size() >= 2) {
    uint16_t crc = download::crc16Arc(reinterpret_cast<const unsigned char*>(blob.data()), blob.size() - 2);
    blob[blob.size() - 2] = static_cast<char>(crc & 0xFF);
    blob[blob.size() - 1] = static_cast<char>(crc >> 8);
    tryDecode(blob);
  }
  return 0;
}
