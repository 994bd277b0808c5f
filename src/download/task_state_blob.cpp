#include "download/task_state_blob.h"

#include <algorithm>
#include <cstring>

#include "download/crc16.h"

namespace download {

namespace {

constexpr int32_t kLayoutVersion = 1;
constexpr int32_t kSchemeHttp = 1;
constexpr int32_t kSchemeHttps = 2;
constexpr size_t kHeaderBytes = 16;
constexpr size_t kRecordBytes = 28;
constexpr size_t kTailBytes = 108;  // address, connection, file and further words, file size
constexpr size_t kCheckBytes = 2;

size_t fixedSize(size_t n) { return kHeaderBytes + kRecordBytes * n + kTailBytes; }

void putWord(std::string& blob, size_t offset, int32_t value) {
  uint32_t v = static_cast<uint32_t>(value);
  for (int i = 0; i < 4; ++i) blob[offset + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

int32_t getWord(const std::string& blob, size_t offset) {
  uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(static_cast<unsigned char>(blob[offset + i])) << (8 * i);
  return static_cast<int32_t>(v);
}

// Appends a text with its zero byte and returns its offset; 0 for an absent text.
int32_t appendText(std::string& blob, const std::string& text) {
  if (text.empty()) return 0;
  int32_t offset = static_cast<int32_t>(blob.size());
  blob.append(text.c_str(), std::strlen(text.c_str()));
  blob.push_back('\0');
  return offset;
}

// The text at `offset` inside the text area; false when it runs past the area.
bool readText(const std::string& blob, size_t areaStart, size_t areaEnd, int32_t offset, std::string& text) {
  text.clear();
  if (offset == 0) return true;
  if (offset < 0 || static_cast<size_t>(offset) < areaStart || static_cast<size_t>(offset) >= areaEnd) return false;
  const char* begin = blob.data() + offset;
  const void* zero = std::memchr(begin, 0, areaEnd - static_cast<size_t>(offset));
  if (zero == nullptr) return false;
  text.assign(begin, static_cast<const char*>(zero));
  return true;
}

// The segments must tile the file from 0 to its size without gap or overlap.
bool consistentTable(std::vector<Segment> segments, int64_t size) {
  std::sort(segments.begin(), segments.end(), [](const Segment& a, const Segment& b) { return a.start < b.start; });
  int64_t next = 0;
  for (const Segment& s : segments) {
    if (s.start != next || s.length < 0 || s.received < 0 || s.received > s.length) return false;
    next = s.start + s.length;
  }
  return next == size;
}

bool validRequestText(const std::string& text) {
  return text.find_first_of("\r\n") == std::string::npos;
}

}  // namespace

std::string encodeTaskState(const TaskState& state) {
  size_t n = state.segments.size();
  size_t base = kHeaderBytes + kRecordBytes * n;
  std::string blob(fixedSize(n), '\0');
  putWord(blob, 0, kLayoutVersion);
  putWord(blob, 4, static_cast<int32_t>(n));
  putWord(blob, 8, state.connections);
  int64_t received = 0;
  for (size_t i = 0; i < n; ++i) {
    const Segment& s = state.segments[i];
    size_t record = kHeaderBytes + kRecordBytes * i;
    putWord(blob, record + 0, s.owner);
    putWord(blob, record + 12, static_cast<int32_t>(s.start));
    putWord(blob, record + 16, static_cast<int32_t>(s.length));
    putWord(blob, record + 20, static_cast<int32_t>(s.received));
    received += s.received;
  }
  putWord(blob, 12, static_cast<int32_t>(received));
  putWord(blob, base + 0, state.url.secure ? kSchemeHttps : kSchemeHttp);
  putWord(blob, base + 8, appendText(blob, state.url.host));
  putWord(blob, base + 4, appendText(blob, state.url.path));
  putWord(blob, base + 12, appendText(blob, state.referer));
  putWord(blob, base + 16, appendText(blob, state.userAgent));
  putWord(blob, base + 28 + 20, state.url.port);
  putWord(blob, base + 52, appendText(blob, state.localFile));
  // The further text of the record: readers that do not know it skip it by its offset.
  putWord(blob, base + 68, appendText(blob, state.validator));
  putWord(blob, base + 104, state.fileSize);
  uint16_t crc = crc16Arc(reinterpret_cast<const unsigned char*>(blob.data()), blob.size());
  blob.push_back(static_cast<char>(crc & 0xFF));
  blob.push_back(static_cast<char>(crc >> 8));
  return blob;
}

bool decodeTaskState(const std::string& blob, TaskState& state) {
  if (blob.size() < kHeaderBytes + kCheckBytes) return false;
  int32_t n = getWord(blob, 4);
  if (n < 1 || n > kMaxBlobSegments || blob.size() < fixedSize(static_cast<size_t>(n)) + kCheckBytes) return false;
  size_t end = blob.size() - kCheckBytes;
  uint16_t stored = static_cast<uint16_t>(static_cast<unsigned char>(blob[end]) |
                                          (static_cast<unsigned char>(blob[end + 1]) << 8));
  if (crc16Arc(reinterpret_cast<const unsigned char*>(blob.data()), end) != stored) return false;

  size_t base = kHeaderBytes + kRecordBytes * static_cast<size_t>(n);
  size_t area = fixedSize(static_cast<size_t>(n));
  TaskState out;
  bool textsRead = readText(blob, area, end, getWord(blob, base + 8), out.url.host) &&
                   readText(blob, area, end, getWord(blob, base + 4), out.url.path) &&
                   readText(blob, area, end, getWord(blob, base + 12), out.referer) &&
                   readText(blob, area, end, getWord(blob, base + 16), out.userAgent) &&
                   readText(blob, area, end, getWord(blob, base + 52), out.localFile) &&
                   readText(blob, area, end, getWord(blob, base + 68), out.validator);
  if (!textsRead || out.url.host.empty() || out.url.path.empty() || out.url.path[0] != '/') return false;
  if (!validRequestText(out.url.host) || !validRequestText(out.url.path) || !validRequestText(out.referer) ||
      !validRequestText(out.validator)) {
    return false;
  }
  // Records written before https was known carry the plain scheme's word.
  out.url.secure = getWord(blob, base + 0) == kSchemeHttps;
  out.url.port = getWord(blob, base + 48);
  out.connections = getWord(blob, 8);
  out.fileSize = getWord(blob, base + 104);
  if (out.url.port < 1 || out.url.port > 65535 || out.fileSize < 0) return false;
  for (int32_t i = 0; i < n; ++i) {
    size_t record = kHeaderBytes + kRecordBytes * static_cast<size_t>(i);
    Segment s;
    s.start = getWord(blob, record + 12);
    s.length = getWord(blob, record + 16);
    s.received = getWord(blob, record + 20);
    out.segments.push_back(s);
  }
  if (!consistentTable(out.segments, out.fileSize)) return false;
  state = std::move(out);
  return true;
}

}  // namespace download
