#include "delta/chunk_verifier.h"

#include <algorithm>

namespace delta {

ChunkMap::ChunkMap(const ChunkIndex& index) : index_(index) {
  starts_.reserve(index.chunks.size() + 1);
  uint64_t at = 0;
  for (const ChunkEntry& c : index.chunks) {
    starts_.push_back(at);
    at += c.length;
  }
  starts_.push_back(at);
}

std::optional<size_t> ChunkMap::chunkAt(uint64_t offset) const {
  auto it = std::lower_bound(starts_.begin(), starts_.end() - 1, offset);
  if (it == starts_.end() - 1 || *it != offset) return std::nullopt;
  return static_cast<size_t>(it - starts_.begin());
}

uint64_t ChunkMap::chunkStartAtOrBefore(uint64_t offset) const {
  if (offset >= starts_.back()) return starts_.back();
  auto it = std::upper_bound(starts_.begin(), starts_.end(), offset);
  return *(it - 1);
}

ChunkVerifier::ChunkVerifier(const ChunkMap& map, size_t firstChunk)
    : map_(map), chunk_(firstChunk), checked_(map.start(firstChunk)), position_(checked_),
      sha_(std::make_unique<platform::Sha256>()) {}

bool ChunkVerifier::feed(const char* bytes, size_t count) {
  const auto& chunks = map_.index().chunks;
  while (count > 0 && !failed_) {
    // Bytes past the last chunk belong to no file of this index.
    if (chunk_ >= chunks.size()) return !(failed_ = true);
    uint64_t end = map_.start(chunk_ + 1);
    size_t take = static_cast<size_t>(std::min<uint64_t>(count, end - position_));
    sha_->update(bytes, take);
    bytes += take;
    count -= take;
    position_ += take;
    if (position_ == end && !closeChunk()) failed_ = true;
  }
  return !failed_;
}

bool ChunkVerifier::closeChunk() {
  auto digest = sha_->finish();
  sha_ = std::make_unique<platform::Sha256>();
  const ChunkHash& expected = map_.index().chunks[chunk_].hash;
  if (!digest || !std::equal(expected.begin(), expected.end(), digest->begin())) return false;
  checked_ = position_;
  ++chunk_;
  return true;
}

std::unique_ptr<download::StoredCheck> checkFromChunk(const ChunkMap& map, int64_t at) {
  if (at < 0) return nullptr;
  std::optional<size_t> chunk = map.chunkAt(static_cast<uint64_t>(at));
  if (!chunk) return nullptr;
  return std::make_unique<ChunkVerifier>(map, *chunk);
}

}  // namespace delta
