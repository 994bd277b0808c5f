#include "delta/chunk_cutter.h"

#include <array>
#include <bit>

namespace delta {

namespace {

// The gear table is part of the index format (version 1): 256 values of splitmix64 from a
// fixed seed, so that it needs no table in the source and no tool can disagree with it.
constexpr std::array<uint64_t, 256> makeGearTable() {
  std::array<uint64_t, 256> table{};
  uint64_t state = 0x56'4B'54'41'4C'56'31'00ULL;  // "VKTALV1"
  for (auto& value : table) {
    state += 0x9E3779B97F4A7C15ULL;
    uint64_t z = state;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    value = z ^ (z >> 31);
  }
  return table;
}

constexpr std::array<uint64_t, 256> kGear = makeGearTable();

// The top `bits` bits: with a left-shifting gear hash they depend on the last 64 bytes,
// where the low bits would depend on the last few only.
constexpr uint64_t topBits(int bits) { return bits <= 0 ? 0 : ~uint64_t{0} << (64 - bits); }

}  // namespace

bool usableParams(const ChunkParams& p) {
  constexpr uint32_t kLeast = 1024, kMost = 16 * 1024 * 1024;
  return p.minSize >= kLeast && p.maxSize <= kMost && p.minSize <= p.averageSize &&
         p.averageSize <= p.maxSize && std::has_single_bit(p.averageSize);
}

size_t cutPoint(const uint8_t* data, size_t size, const ChunkParams& p) {
  if (size <= p.minSize) return size;
  size_t end = size < p.maxSize ? size : p.maxSize;
  size_t normal = end < p.averageSize ? end : p.averageSize;
  int bits = std::countr_zero(p.averageSize);
  const uint64_t strict = topBits(bits + 2), loose = topBits(bits - 2);
  uint64_t hash = 0;
  size_t i = p.minSize;
  for (; i < normal; ++i) {
    hash = (hash << 1) + kGear[data[i]];
    if ((hash & strict) == 0) return i + 1;
  }
  for (; i < end; ++i) {
    hash = (hash << 1) + kGear[data[i]];
    if ((hash & loose) == 0) return i + 1;
  }
  return end;
}

}  // namespace delta
