#include "delta/chunk_index.h"

#include <algorithm>
#include <cstring>

namespace delta {

namespace {

constexpr char kMagic[8] = {'V', 'K', 'C', 'H', 'U', 'N', 'K', 'S'};
constexpr uint16_t kVersion = 1;
constexpr uint8_t kHashKind = 1;

void putLittle(std::string& out, uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

uint64_t takeLittle(std::string_view bytes, size_t at, int count) {
  uint64_t value = 0;
  for (int i = count - 1; i >= 0; --i) value = (value << 8) | static_cast<uint8_t>(bytes[at + i]);
  return value;
}

// Every chunk but the last within the cutter's sizes, the last between 1 byte and the most.
bool lengthsFit(const ChunkIndex& index, std::string& problem) {
  uint64_t sum = 0;
  for (size_t i = 0; i < index.chunks.size(); ++i) {
    uint32_t length = index.chunks[i].length;
    bool last = i + 1 == index.chunks.size();
    if (length == 0 || length > index.params.maxSize || (!last && length < index.params.minSize))
      return problem = "chunk " + std::to_string(i + 1) + " has a length the cutter never makes", false;
    sum += length;
  }
  if (sum != index.fileSize) return problem = "the chunks do not add up to the file's size", false;
  return true;
}

}  // namespace

std::string encodeChunkIndex(const ChunkIndex& index) {
  std::string out(kMagic, sizeof kMagic);
  putLittle(out, kVersion, 2);
  putLittle(out, kHashKind, 1);
  putLittle(out, std::tuple_size_v<ChunkHash>, 1);
  putLittle(out, index.params.minSize, 4);
  putLittle(out, index.params.averageSize, 4);
  putLittle(out, index.params.maxSize, 4);
  putLittle(out, index.fileSize, 8);
  out.append(reinterpret_cast<const char*>(index.fileSha256.data()), index.fileSha256.size());
  putLittle(out, index.chunks.size(), 4);
  for (const ChunkEntry& c : index.chunks) {
    putLittle(out, c.length, 4);
    out.append(reinterpret_cast<const char*>(c.hash.data()), c.hash.size());
  }
  auto sum = platform::sha256Of(out);
  if (!sum) return {};
  out.append(reinterpret_cast<const char*>(sum->data()), sum->size());
  return out;
}

bool decodeChunkIndex(std::string_view bytes, ChunkIndex& index, std::string& problem) {
  if (bytes.size() < kIndexHeaderSize + kIndexTrailerSize || bytes.size() > kIndexSizeLimit)
    return problem = "not a chunk index (size)", false;
  if (std::memcmp(bytes.data(), kMagic, sizeof kMagic) != 0) return problem = "not a chunk index (magic)", false;
  if (takeLittle(bytes, 8, 2) != kVersion) return problem = "a chunk index of another version", false;
  if (takeLittle(bytes, 10, 1) != kHashKind || takeLittle(bytes, 11, 1) != std::tuple_size_v<ChunkHash>)
    return problem = "a chunk index with another kind of hash", false;
  uint64_t count = takeLittle(bytes, 64, 4);
  if (bytes.size() != kIndexHeaderSize + count * kIndexEntrySize + kIndexTrailerSize)
    return problem = "a chunk index cut short or too long for its count", false;
  size_t body = bytes.size() - kIndexTrailerSize;
  auto sum = platform::sha256Of(bytes.substr(0, body));
  if (!sum || std::memcmp(sum->data(), bytes.data() + body, sum->size()) != 0)
    return problem = "a chunk index whose checksum does not match", false;

  ChunkIndex read;
  read.params = {static_cast<uint32_t>(takeLittle(bytes, 12, 4)), static_cast<uint32_t>(takeLittle(bytes, 16, 4)),
                 static_cast<uint32_t>(takeLittle(bytes, 20, 4))};
  if (!usableParams(read.params)) return problem = "a chunk index with unusable chunk sizes", false;
  read.fileSize = takeLittle(bytes, 24, 8);
  std::memcpy(read.fileSha256.data(), bytes.data() + 32, read.fileSha256.size());
  read.chunks.resize(count);
  for (size_t i = 0; i < count; ++i) {
    size_t at = kIndexHeaderSize + i * kIndexEntrySize;
    read.chunks[i].length = static_cast<uint32_t>(takeLittle(bytes, at, 4));
    std::memcpy(read.chunks[i].hash.data(), bytes.data() + at + 4, read.chunks[i].hash.size());
  }
  if (!lengthsFit(read, problem)) return false;
  index = std::move(read);
  return true;
}

}  // namespace delta
