#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "delta/chunk_cutter.h"
#include "platform/crypto.h"

namespace delta {

// The first 16 bytes of a chunk's SHA-256: enough that no two different chunks of a
// release meet by chance; a mirror that lies is caught by it and again by the whole file's digest.
using ChunkHash = std::array<uint8_t, 16>;

struct ChunkEntry {
  uint32_t length = 0;
  ChunkHash hash{};
  bool operator==(const ChunkEntry&) const = default;
};

// What a `.chunks` file says about one published file.
struct ChunkIndex {
  ChunkParams params;
  uint64_t fileSize = 0;
  platform::Sha256Digest fileSha256{};
  std::vector<ChunkEntry> chunks;  // in file order; their lengths add up to fileSize
};

inline constexpr size_t kIndexHeaderSize = 68;
inline constexpr size_t kIndexEntrySize = 20;
inline constexpr size_t kIndexTrailerSize = 32;
// An index larger than this is refused unread: a 2 GiB file cut at the smallest chunks
// needs about 2.6 MiB.
inline constexpr size_t kIndexSizeLimit = 16 * 1024 * 1024;

// The file's bytes, little-endian: magic "VKCHUNKS", version 1 (2 bytes), hash kind 1
// (16 bytes of SHA-256) and hash length 16 (1 byte each), the three sizes (4 bytes each),
// the file's size (8) and SHA-256 (32), the chunk count (4), then per chunk its length (4)
// and hash (16), and last the SHA-256 of every byte before it.
std::string encodeChunkIndex(const ChunkIndex& index);

// False with `problem` for anything but a whole, consistent index: another magic, version or
// hash kind, a size that does not fit the count, a wrong checksum, sizes the cutter would
// not make, chunk lengths that do not add up to the file's size.
bool decodeChunkIndex(std::string_view bytes, ChunkIndex& index, std::string& problem);

}  // namespace delta
