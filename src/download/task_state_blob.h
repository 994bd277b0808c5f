#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "download/segment_table.h"
#include "download/url.h"

namespace download {

// What a resumable state record holds; the engine's own working values are not kept.
struct TaskState {
  Url url;
  std::string referer;
  std::string userAgent;
  std::string localFile;
  std::string validator;  // the file version's If-Range value; empty when the server named none
  int32_t connections = 0;
  int32_t fileSize = 0;
  std::vector<Segment> segments;  // owners are 0 once read back
};

// The largest segment table a record may hold.
inline constexpr int32_t kMaxBlobSegments = 64;

// The record in its fixed layout: header, segment table, address, connection and file
// words, the file size, the texts, and the CRC-16/ARC of everything before it.
std::string encodeTaskState(const TaskState& state);
// Refuses a record whose check value does not match or whose content is not a
// consistent table over the file (false).
bool decodeTaskState(const std::string& blob, TaskState& state);

}  // namespace download
