// Putting a new file together from an old one: chunks placed while the old file is scanned,
// fetched bytes checked chunk by chunk in pieces of any size, and the resume record that keeps
// only whole checked chunks.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "delta/chunk_placer.h"
#include "delta/chunk_scanner.h"
#include "delta/chunk_verifier.h"
#include "delta/delta_record.h"

namespace delta {
namespace {

std::string randomBytes(size_t size, uint32_t seed) {
  std::mt19937 gen(seed);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(gen());
  return bytes;
}

ChunkIndex indexOfBytes(const std::string& bytes) {
  ChunkScanner scanner{ChunkParams{}};
  scanner.feed(bytes.data(), bytes.size());
  EXPECT_TRUE(scanner.finish());
  return indexOf(scanner, ChunkParams{});
}

std::string readAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(DeltaAssembly, PlacedChunksLandWhereverTheNewFileHoldsThem) {
  const std::string old = randomBytes(2 << 20, 1);
  // The new file: the old one's second half, fresh bytes, then the old one's first half twice.
  const std::string fresh = randomBytes(300000, 2);
  const std::string v2 = old.substr(1 << 20) + fresh + old.substr(0, 1 << 20) + old.substr(0, 1 << 20);
  ChunkIndex index = indexOfBytes(v2);
  ChunkMap map(index);
  std::string path = (std::filesystem::temp_directory_path() / ("placed_" + std::to_string(::getpid()))).string();
  platform::MappedFile out;
  ASSERT_TRUE(out.create(path, static_cast<uint32_t>(v2.size())));
  ChunkPlacer placer(map, out);
  ChunkScanner scanner{ChunkParams{}, false};
  scanner.onCut([&](uint64_t at, const uint8_t* data, size_t length) { placer.take(at, data, length); });
  for (size_t at = 0; at < old.size(); at += 77777) scanner.feed(old.data() + at, std::min<size_t>(77777, old.size() - at));
  ASSERT_TRUE(scanner.finish());
  ASSERT_TRUE(placer.finish());
  out.close();
  std::string got = readAll(path);
  std::filesystem::remove(path);
  // Every chunk of the new file that the old one holds is in place, the duplicated half too;
  // near the seams the content-defined cuts differ, so a little more than the fresh bytes is missing.
  size_t same = 0;
  for (size_t i = 0; i < index.chunks.size(); ++i) {
    size_t at = map.start(i), n = index.chunks[i].length;
    if (got.compare(at, n, v2, at, n) == 0) same += n;
  }
  EXPECT_EQ(same, placer.placedBytes());
  // The chunks kept for the plan are the old file's, hashed as a scan of its own would.
  ChunkScanner plain{ChunkParams{}};
  plain.feed(old.data(), old.size());
  ASSERT_TRUE(plain.finish());
  ASSERT_EQ(placer.chunks().size(), plain.chunks().size());
  for (size_t i = 0; i < plain.chunks().size(); ++i) {
    EXPECT_EQ(placer.chunks()[i].offset, plain.chunks()[i].offset);
    EXPECT_EQ(placer.chunks()[i].hash, plain.chunks()[i].hash);
  }
  EXPECT_GT(placer.placedBytes(), v2.size() - fresh.size() - 4 * ChunkParams{}.maxSize);
}

TEST(DeltaAssembly, FetchedBytesPassChunkByChunkInPiecesOfAnySize) {
  const std::string file = randomBytes(1 << 20, 3);
  ChunkIndex index = indexOfBytes(file);
  ChunkMap map(index);
  ASSERT_GT(index.chunks.size(), 6u);
  EXPECT_EQ(checkFromChunk(map, static_cast<int64_t>(map.start(2) + 1)), nullptr);  // not a chunk's start

  std::mt19937 gen(4);
  auto feedFrom = [&](download::StoredCheck& check, const std::string& bytes, size_t from) {
    for (size_t at = from; at < bytes.size();) {
      size_t n = std::min<size_t>(1 + gen() % 50000, bytes.size() - at);
      if (!check.feed(bytes.data() + at, n)) return false;
      at += n;
    }
    return true;
  };
  auto good = checkFromChunk(map, static_cast<int64_t>(map.start(2)));
  ASSERT_TRUE(good);
  EXPECT_TRUE(feedFrom(*good, file, map.start(2)));
  EXPECT_EQ(good->checkedEnd(), static_cast<int64_t>(file.size()));

  std::string spoilt = file;
  spoilt[map.start(4) + 10] ^= 1;
  auto bad = checkFromChunk(map, static_cast<int64_t>(map.start(2)));
  EXPECT_FALSE(feedFrom(*bad, spoilt, map.start(2)));
  EXPECT_EQ(bad->checkedEnd(), static_cast<int64_t>(map.start(4)));  // chunks 2 and 3 passed
}

TEST(DeltaRecordFile, KeepsWholeCheckedChunksAndRefusesDamage) {
  const std::string file = randomBytes(1 << 20, 5);
  ChunkIndex index = indexOfBytes(file);
  ChunkMap map(index);
  int64_t a = static_cast<int64_t>(map.start(2)), b = static_cast<int64_t>(map.start(5));
  int64_t size = static_cast<int64_t>(file.size());
  DeltaRecord record;
  record.identity[0] = 7;
  record.fileSize = file.size();
  // Reused, fetching (received ends inside chunk 3), untouched.
  record.segments = {{0, a, a, 0}, {a, b - a, static_cast<int64_t>(map.start(3)) - a + 1000, 0}, {b, size - b, 0, 0}};
  std::string bytes = encodeDeltaRecord(record, map);
  DeltaRecord back;
  ASSERT_TRUE(decodeDeltaRecord(bytes, back));
  EXPECT_EQ(back.identity, record.identity);
  EXPECT_EQ(back.fileSize, record.fileSize);
  ASSERT_EQ(back.segments.size(), 3u);
  EXPECT_EQ(back.segments[0].received, a);
  EXPECT_EQ(back.segments[1].received, static_cast<int64_t>(map.start(3)) - a);  // back to chunk 3's start
  EXPECT_EQ(back.segments[2].received, 0);

  DeltaRecord outside = record;
  outside.segments[2].length += 1;
  struct Case {
    const char* what;
    std::string bytes;
  };
  std::string flipped = bytes;
  flipped[60] ^= 1;
  const Case refused[] = {
      {"a flipped byte", flipped},
      {"cut short", bytes.substr(0, bytes.size() - 1)},
      {"a segment past the file's end", encodeDeltaRecord(outside, map)},
      {"another format", "VKDELTA2" + bytes.substr(8)},
      {"empty", ""},
  };
  for (const Case& c : refused) EXPECT_FALSE(decodeDeltaRecord(c.bytes, back)) << c.what;
}

}  // namespace
}  // namespace delta
