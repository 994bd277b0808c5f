#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "delta/chunk_verifier.h"
#include "download/segment_table.h"
#include "platform/crypto.h"

namespace delta {

// What a delta download keeps on disk beside its ".tmp" so that a later run goes on where it
// stopped: what it is building (a digest of the index and of the patch entry it belongs to, so
// that a new release of the file is not finished as the old one) and the table of the file,
// reused stretches as complete segments and fetched ones with what has arrived.
struct DeltaRecord {
  platform::Sha256Digest identity{};
  uint64_t fileSize = 0;
  std::vector<download::Segment> segments;  // owners are 0
};

// Magic "VKDELTA1", the identity (32), the file size (8), the segment count (4), per segment
// its start, length and received count (8 each), and the SHA-256 of every byte before it.
// Received counts are taken back to the start of the chunk they end in: only whole chunks
// have been checked.
std::string encodeDeltaRecord(const DeltaRecord& record, const ChunkMap& map);
// False for a record that is cut short, damaged, or whose table does not lie inside its file.
bool decodeDeltaRecord(std::string_view bytes, DeltaRecord& record);

}  // namespace delta
