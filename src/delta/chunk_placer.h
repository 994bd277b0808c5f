#pragma once
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "delta/chunk_scanner.h"
#include "delta/chunk_verifier.h"
#include "platform/mapped_file.h"

namespace delta {

// Puts the chunks of an old file into the new one while the old file is scanned: a local
// chunk whose hash and length the index lists is written at every place the new file has it.
// The old file is read once, and no plan of copies is kept.
class ChunkPlacer {
 public:
  ChunkPlacer(const ChunkMap& map, const platform::MappedFile& out);

  void place(const LocalChunk& chunk, const uint8_t* data);

  // Bytes of the new file written so far.
  uint64_t placedBytes() const { return placedBytes_; }
  // False once a write was refused (a full or failing disk).
  bool ok() const { return ok_; }

 private:
  struct HashKey {
    size_t operator()(const ChunkHash& h) const;
  };

  const ChunkMap& map_;
  const platform::MappedFile& out_;
  std::unordered_map<ChunkHash, std::vector<size_t>, HashKey> wanted_;  // hash -> chunks still empty
  uint64_t placedBytes_ = 0;
  bool ok_ = true;
};

}  // namespace delta
