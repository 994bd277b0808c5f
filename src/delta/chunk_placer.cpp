#include "delta/chunk_placer.h"

#include <cstring>

namespace delta {

size_t ChunkPlacer::HashKey::operator()(const ChunkHash& h) const {
  size_t v;
  std::memcpy(&v, h.data(), sizeof v);
  return v;
}

ChunkPlacer::ChunkPlacer(const ChunkMap& map, const platform::MappedFile& out) : map_(map), out_(out) {
  const auto& chunks = map.index().chunks;
  for (size_t i = 0; i < chunks.size(); ++i) wanted_[chunks[i].hash].push_back(i);
}

void ChunkPlacer::place(const LocalChunk& chunk, const uint8_t* data) {
  auto it = wanted_.find(chunk.hash);
  if (it == wanted_.end() || !ok_) return;
  const auto& chunks = map_.index().chunks;
  for (size_t target : it->second) {
    if (chunks[target].length != chunk.length) continue;
    ok_ = out_.write(static_cast<uint32_t>(map_.start(target)), reinterpret_cast<const char*>(data), chunk.length);
    if (!ok_) return;
    placedBytes_ += chunk.length;
  }
  // Each place is filled once: a chunk the old file holds twice is written once.
  wanted_.erase(it);
}

}  // namespace delta
