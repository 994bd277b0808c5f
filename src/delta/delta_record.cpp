#include "delta/delta_record.h"

#include <algorithm>
#include <cstring>

namespace delta {

namespace {

constexpr char kMagic[8] = {'V', 'K', 'D', 'E', 'L', 'T', 'A', '1'};
constexpr size_t kHeaderSize = 8 + 32 + 8 + 4;
constexpr size_t kSegmentSize = 24;
constexpr size_t kTrailerSize = 32;

void putNumber(std::string& out, uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xff));
}

uint64_t takeNumber(std::string_view bytes, size_t at, int count) {
  uint64_t value = 0;
  for (int i = count - 1; i >= 0; --i) value = (value << 8) | static_cast<uint8_t>(bytes[at + static_cast<size_t>(i)]);
  return value;
}

bool consistent(const DeltaRecord& record) {
  for (const download::Segment& s : record.segments) {
    if (s.start < 0 || s.length <= 0 || s.received < 0 || s.received > s.length) return false;
    if (static_cast<uint64_t>(s.start) > record.fileSize ||
        static_cast<uint64_t>(s.length) > record.fileSize - static_cast<uint64_t>(s.start))
      return false;
  }
  return !record.segments.empty();
}

}  // namespace

std::string encodeDeltaRecord(const DeltaRecord& record, const ChunkMap& map) {
  std::string out(kMagic, sizeof kMagic);
  out.append(reinterpret_cast<const char*>(record.identity.data()), record.identity.size());
  putNumber(out, record.fileSize, 8);
  putNumber(out, record.segments.size(), 4);
  for (const download::Segment& s : record.segments) {
    int64_t received = s.received;
    if (!s.complete()) {
      uint64_t checked = map.chunkStartAtOrBefore(static_cast<uint64_t>(s.start + s.received));
      received = std::max<int64_t>(static_cast<int64_t>(checked) - s.start, 0);
    }
    putNumber(out, static_cast<uint64_t>(s.start), 8);
    putNumber(out, static_cast<uint64_t>(s.length), 8);
    putNumber(out, static_cast<uint64_t>(received), 8);
  }
  auto digest = platform::sha256Of(out);
  if (!digest) return std::string();
  out.append(reinterpret_cast<const char*>(digest->data()), digest->size());
  return out;
}

bool decodeDeltaRecord(std::string_view bytes, DeltaRecord& record) {
  if (bytes.size() < kHeaderSize + kTrailerSize || std::memcmp(bytes.data(), kMagic, sizeof kMagic) != 0)
    return false;
  uint64_t count = takeNumber(bytes, 48, 4);
  if (bytes.size() != kHeaderSize + count * kSegmentSize + kTrailerSize) return false;
  auto digest = platform::sha256Of(bytes.substr(0, bytes.size() - kTrailerSize));
  if (!digest || std::memcmp(digest->data(), bytes.data() + bytes.size() - kTrailerSize, kTrailerSize) != 0)
    return false;
  DeltaRecord out;
  std::memcpy(out.identity.data(), bytes.data() + 8, out.identity.size());
  out.fileSize = takeNumber(bytes, 40, 8);
  for (uint64_t i = 0; i < count; ++i) {
    size_t at = kHeaderSize + static_cast<size_t>(i) * kSegmentSize;
    download::Segment s;
    s.start = static_cast<int64_t>(takeNumber(bytes, at, 8));
    s.length = static_cast<int64_t>(takeNumber(bytes, at + 8, 8));
    s.received = static_cast<int64_t>(takeNumber(bytes, at + 16, 8));
    out.segments.push_back(s);
  }
  if (!consistent(out)) return false;
  record = std::move(out);
  return true;
}

}  // namespace delta
