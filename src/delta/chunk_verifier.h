#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "delta/chunk_index.h"
#include "download/stored_check.h"
#include "platform/crypto.h"

namespace delta {

// Where each chunk of an index begins in its file, and the file's size last: chunkStarts()[i]
// is chunk i's offset, so a range of chunks is found without walking the index.
class ChunkMap {
 public:
  explicit ChunkMap(const ChunkIndex& index);

  // The chunk that begins at `offset`; none when no chunk does.
  std::optional<size_t> chunkAt(uint64_t offset) const;
  // The start of the chunk holding `offset` (the file's size for an offset at or past its end).
  uint64_t chunkStartAtOrBefore(uint64_t offset) const;
  uint64_t start(size_t chunk) const { return starts_[chunk]; }
  const ChunkIndex& index() const { return index_; }

 private:
  const ChunkIndex& index_;
  std::vector<uint64_t> starts_;
};

// Checks the bytes of a file, from the start of one of its chunks on, against the index's
// chunk hashes: a chunk passes once its last byte has arrived and its hash matches.
class ChunkVerifier : public download::StoredCheck {
 public:
  ChunkVerifier(const ChunkMap& map, size_t firstChunk);

  bool feed(const char* bytes, size_t count) override;
  int64_t checkedEnd() const override { return static_cast<int64_t>(checked_); }

 private:
  bool closeChunk();

  const ChunkMap& map_;
  size_t chunk_;
  uint64_t checked_;   // the file offset every byte before which has passed
  uint64_t position_;  // the file offset of the next byte fed
  std::unique_ptr<platform::Sha256> sha_;
  bool failed_ = false;
};

// The stored check of a delta's ranges: an answer may start only at a chunk's first byte.
std::unique_ptr<download::StoredCheck> checkFromChunk(const ChunkMap& map, int64_t at);

}  // namespace delta
