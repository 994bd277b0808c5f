#pragma once
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <vector>

#include "delta/chunk_scanner.h"
#include "delta/chunk_verifier.h"
#include "platform/mapped_file.h"

namespace delta {

// Puts the chunks of an old file into the new one while the old file is scanned: each chunk
// the scanner cuts is hashed and kept for the plan, and one whose hash and length the index
// lists is written at every place the new file has it. The old file is read once. Hashing and
// writing run on a thread of their own, so that they and the cutting share the processors; at
// most a few MiB wait between them.
class ChunkPlacer {
 public:
  ChunkPlacer(const ChunkMap& map, const platform::MappedFile& out);
  ~ChunkPlacer();
  ChunkPlacer(const ChunkPlacer&) = delete;
  ChunkPlacer& operator=(const ChunkPlacer&) = delete;

  // The scanner's sink (ChunkScanner::onCut).
  void take(uint64_t offset, const uint8_t* data, size_t length);
  // Waits for every chunk; false when a write was refused (a full or failing disk) or a
  // digest could not be made.
  bool finish();

  // After finish: the old file's chunks, and the bytes of the new file placed.
  const std::vector<LocalChunk>& chunks() const { return chunks_; }
  uint64_t placedBytes() const { return placedBytes_; }
  // False once something failed; the scan can stop.
  bool ok() const;

 private:
  struct HashKey {
    size_t operator()(const ChunkHash& h) const;
  };
  struct Cut {
    uint64_t offset = 0;
    std::vector<uint8_t> bytes;
  };
  void worker();
  bool place(const Cut& cut);

  const ChunkMap& map_;
  const platform::MappedFile& out_;
  // Touched by the worker only, and read after finish.
  std::unordered_map<ChunkHash, std::vector<size_t>, HashKey> wanted_;  // hash -> chunks still empty
  std::vector<LocalChunk> chunks_;
  uint64_t placedBytes_ = 0;

  mutable std::mutex lock_;
  std::condition_variable changed_;
  std::deque<Cut> queue_;
  size_t queuedBytes_ = 0;
  bool closing_ = false;
  bool failed_ = false;
  std::thread thread_;
};

}  // namespace delta
