#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "delta/chunk_cutter.h"
#include "delta/chunk_index.h"
#include "platform/crypto.h"

namespace delta {

// A chunk of a file the launcher already holds: where it lies, and its hash.
struct LocalChunk {
  uint64_t offset = 0;
  uint32_t length = 0;
  ChunkHash hash{};
};

// Cuts a stream of bytes into chunks as it is fed, in pieces of any size, and (unless told
// not to) digests the whole stream on the way: one pass over a file gives both its chunks and
// its SHA-256. Memory stays at about two of the largest chunks.
class ChunkScanner {
 public:
  explicit ChunkScanner(const ChunkParams& params, bool digestWhole = true);

  // Called with every chunk as it is cut: its offset, bytes (valid during the call only) and
  // length. With a sink set the scanner leaves hashing and keeping the chunks to it.
  using CutSink = std::function<void(uint64_t offset, const uint8_t* data, size_t length)>;
  void onCut(CutSink sink) { sink_ = std::move(sink); }

  void feed(const void* data, size_t size);
  // Cuts what is left; false when the system could not compute a digest.
  bool finish();

  const std::vector<LocalChunk>& chunks() const { return chunks_; }
  const platform::Sha256Digest& fileSha256() const { return fileSha256_; }  // all zero unless digested
  uint64_t size() const { return consumed_ + (buffer_.size() - start_); }

 private:
  void cutWhile(size_t least);
  void emit(size_t length);

  ChunkParams params_;
  std::vector<uint8_t> buffer_;
  size_t start_ = 0;        // where the next chunk begins in buffer_
  uint64_t consumed_ = 0;   // bytes of the file before buffer_[start_]
  bool digestWhole_;
  platform::Sha256 whole_;
  platform::Sha256Digest fileSha256_{};
  std::vector<LocalChunk> chunks_;
  CutSink sink_;
  bool failed_ = false;
};

// The first 16 bytes of the SHA-256 of `size` bytes.
std::optional<ChunkHash> chunkHashOf(const void* data, size_t size);

// The index a scan describes.
ChunkIndex indexOf(const ChunkScanner& scanner, const ChunkParams& params);

}  // namespace delta
