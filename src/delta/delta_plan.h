#pragma once
#include <cstdint>
#include <vector>

#include "delta/chunk_index.h"
#include "delta/chunk_scanner.h"

namespace delta {

// Bytes of an old file put into the new one: `length` bytes from offset `from` of local
// file `source` to offset `to` of the new file.
struct CopyStep {
  int source = 0;
  uint64_t from = 0;
  uint64_t to = 0;
  uint64_t length = 0;
};

// A byte range of the published file to fetch: whole chunks firstChunk .. firstChunk +
// chunkCount - 1 of the index, so every byte that arrives can be checked.
struct FetchRange {
  uint64_t offset = 0;
  uint64_t length = 0;
  size_t firstChunk = 0;
  size_t chunkCount = 0;
};

struct PlanRules {
  uint64_t bridgeGap = 32 * 1024;        // reused runs this short between two fetches are fetched too
  uint64_t bytesPerRequest = 1 << 20;    // at most one request per this many bytes of the file
  uint64_t leastReuse = 1 << 20;         // less reuse than this, or than a tenth of the file: a whole download
  // Fetches are cut into pieces so that the connections share them: about two pieces per
  // connection, each between these sizes.
  int connections = 5;
  uint64_t leastPiece = 1 << 20;
  uint64_t mostPiece = 8 << 20;
};

struct DeltaPlan {
  bool whole = true;  // fetch the file whole; copies and fetches are then empty
  std::vector<CopyStep> copies;
  std::vector<FetchRange> fetches;  // in file order, none overlapping
  uint64_t reusedBytes = 0;
  uint64_t fetchedBytes = 0;
};

// A chunk's hash and length found among the local chunks of each source (source i is
// local[i]); the first place found is used.
DeltaPlan planDelta(const ChunkIndex& target, const std::vector<std::vector<LocalChunk>>& local,
                    const PlanRules& rules = {});

}  // namespace delta
