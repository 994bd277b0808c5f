#include "delta/chunk_scanner.h"

#include <algorithm>
#include <cstring>

namespace delta {

ChunkScanner::ChunkScanner(const ChunkParams& params, bool digestWhole) : params_(params), digestWhole_(digestWhole) {}

std::optional<ChunkHash> chunkHashOf(const void* data, size_t size) {
  platform::Sha256 sha;
  sha.update(data, size);
  auto digest = sha.finish();
  if (!digest) return std::nullopt;
  ChunkHash hash;
  std::copy_n(digest->begin(), hash.size(), hash.begin());
  return hash;
}

void ChunkScanner::feed(const void* data, size_t size) {
  if (digestWhole_) whole_.update(data, size);
  const auto* bytes = static_cast<const uint8_t*>(data);
  while (size > 0) {
    // Room for one largest chunk past the cut point keeps every cut decided on whole data.
    size_t take = std::min<size_t>(size, params_.maxSize);
    buffer_.insert(buffer_.end(), bytes, bytes + take);
    bytes += take;
    size -= take;
    cutWhile(params_.maxSize);
  }
}

// Cuts chunks while at least `least` bytes wait, then drops what was cut from the buffer.
void ChunkScanner::cutWhile(size_t least) {
  while (buffer_.size() - start_ >= least && buffer_.size() > start_) {
    size_t length = cutPoint(buffer_.data() + start_, buffer_.size() - start_, params_);
    emit(length);
  }
  if (start_ > 0) {
    buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(start_));
    start_ = 0;
  }
}

void ChunkScanner::emit(size_t length) {
  if (sink_) {
    sink_(consumed_, buffer_.data() + start_, length);
  } else {
    auto hash = chunkHashOf(buffer_.data() + start_, length);
    if (!hash) failed_ = true;
    chunks_.push_back({consumed_, static_cast<uint32_t>(length), hash.value_or(ChunkHash{})});
  }
  start_ += length;
  consumed_ += length;
}

bool ChunkScanner::finish() {
  cutWhile(1);
  if (!digestWhole_) return !failed_;
  auto digest = whole_.finish();
  if (!digest) failed_ = true;
  fileSha256_ = digest.value_or(platform::Sha256Digest{});
  return !failed_;
}

ChunkIndex indexOf(const ChunkScanner& scanner, const ChunkParams& params) {
  ChunkIndex index;
  index.params = params;
  index.fileSize = scanner.size();
  index.fileSha256 = scanner.fileSha256();
  for (const LocalChunk& c : scanner.chunks()) index.chunks.push_back({c.length, c.hash});
  return index;
}

}  // namespace delta
