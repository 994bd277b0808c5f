#include "delta/chunk_placer.h"

#include <cstring>

namespace delta {

namespace {

constexpr size_t kMostQueued = 8 << 20;

}  // namespace

size_t ChunkPlacer::HashKey::operator()(const ChunkHash& h) const {
  size_t v;
  std::memcpy(&v, h.data(), sizeof v);
  return v;
}

ChunkPlacer::ChunkPlacer(const ChunkMap& map, const platform::MappedFile& out) : map_(map), out_(out) {
  const auto& chunks = map.index().chunks;
  for (size_t i = 0; i < chunks.size(); ++i) wanted_[chunks[i].hash].push_back(i);
  thread_ = std::thread(&ChunkPlacer::worker, this);
}

ChunkPlacer::~ChunkPlacer() { finish(); }

void ChunkPlacer::take(uint64_t offset, const uint8_t* data, size_t length) {
  Cut cut{offset, std::vector<uint8_t>(data, data + length)};
  std::unique_lock lock(lock_);
  changed_.wait(lock, [&] { return queuedBytes_ < kMostQueued || failed_; });
  if (failed_) return;
  queuedBytes_ += length;
  queue_.push_back(std::move(cut));
  changed_.notify_all();
}

// Each place is filled once: a chunk the old file holds twice is written once.
bool ChunkPlacer::place(const Cut& cut) {
  auto hash = chunkHashOf(cut.bytes.data(), cut.bytes.size());
  if (!hash) return false;
  auto length = static_cast<uint32_t>(cut.bytes.size());
  chunks_.push_back({cut.offset, length, *hash});
  auto it = wanted_.find(*hash);
  if (it == wanted_.end()) return true;
  const auto& chunks = map_.index().chunks;
  for (size_t target : it->second) {
    if (chunks[target].length != length) continue;
    const char* bytes = reinterpret_cast<const char*>(cut.bytes.data());
    if (!out_.writeThrough(static_cast<uint32_t>(map_.start(target)), bytes, length)) return false;
    placedBytes_ += length;
  }
  wanted_.erase(it);
  return true;
}

void ChunkPlacer::worker() {
  std::unique_lock lock(lock_);
  for (;;) {
    changed_.wait(lock, [&] { return !queue_.empty() || closing_; });
    if (queue_.empty()) return;
    Cut cut = std::move(queue_.front());
    queue_.pop_front();
    bool skip = failed_;
    lock.unlock();
    bool placed = skip || place(cut);
    lock.lock();
    queuedBytes_ -= cut.bytes.size();
    failed_ = failed_ || !placed;
    changed_.notify_all();
  }
}

bool ChunkPlacer::ok() const {
  std::lock_guard guard(lock_);
  return !failed_;
}

bool ChunkPlacer::finish() {
  {
    std::lock_guard guard(lock_);
    closing_ = true;
    changed_.notify_all();
  }
  if (thread_.joinable()) thread_.join();
  return ok();
}

}  // namespace delta
