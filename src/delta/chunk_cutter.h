#pragma once
#include <cstddef>
#include <cstdint>

namespace delta {

// How a file is cut into content-defined chunks. The values travel in every chunk index, so
// a launcher cuts its local bytes exactly as the index's maker cut the published file.
struct ChunkParams {
  uint32_t minSize = 16 * 1024;
  uint32_t averageSize = 64 * 1024;  // a power of two
  uint32_t maxSize = 256 * 1024;
  bool operator==(const ChunkParams&) const = default;
};

// Sizes the reader accepts: a chunk of at least 1 KiB (so an index stays small against its
// file) and at most 16 MiB (so a chunk fits a buffer); average a power of two between them.
bool usableParams(const ChunkParams& params);

// The length of the chunk that begins at `data`, given that `size` bytes follow (the end of
// the file when size < maxSize). Gear hashing with normalised cutting: no cut before
// minSize, a stricter mask up to averageSize and a looser one after it, a forced cut at
// maxSize. A cut depends only on the 64 bytes before it, so an insertion moves no boundary
// that lies more than one chunk after it.
size_t cutPoint(const uint8_t* data, size_t size, const ChunkParams& params);

}  // namespace delta
