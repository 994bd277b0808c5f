// Content-defined chunks, their index file and the plan that reuses an old file's chunks.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <string>

#include "delta/chunk_index.h"
#include "delta/chunk_scanner.h"
#include "delta/delta_plan.h"

namespace delta {
namespace {

constexpr size_t kMiB = 1 << 20;

std::string randomBytes(size_t size, uint64_t seed) {
  std::mt19937_64 random(seed);
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; i += 8) {
    uint64_t v = random();
    for (size_t k = 0; k < 8 && i + k < size; ++k) bytes[i + k] = static_cast<char>(v >> (8 * k));
  }
  return bytes;
}

struct Scanned {
  std::vector<LocalChunk> chunks;
  platform::Sha256Digest sha{};
  ChunkIndex index;
};

Scanned scanned(const std::string& bytes, size_t piece = 64 * 1024) {
  ChunkScanner scanner{ChunkParams{}};
  for (size_t at = 0; at < bytes.size(); at += piece)
    scanner.feed(bytes.data() + at, std::min(piece, bytes.size() - at));
  EXPECT_TRUE(scanner.finish());
  return {scanner.chunks(), scanner.fileSha256(), indexOf(scanner, ChunkParams{})};
}

std::set<ChunkHash> hashesOf(const Scanned& s) {
  std::set<ChunkHash> hashes;
  for (const auto& c : s.chunks) hashes.insert(c.hash);
  return hashes;
}

TEST(ChunkCutting, ChunksStayWithinTheirSizesAndDoNotDependOnHowTheBytesArrive) {
  std::string file = randomBytes(6 * kMiB + 12345, 1);
  Scanned whole = scanned(file, file.size());
  ChunkParams p;
  uint64_t sum = 0;
  for (size_t i = 0; i < whole.chunks.size(); ++i) {
    const LocalChunk& c = whole.chunks[i];
    EXPECT_EQ(c.offset, sum);
    EXPECT_LE(c.length, p.maxSize);
    if (i + 1 < whole.chunks.size()) {
      EXPECT_GE(c.length, p.minSize);
    }
    sum += c.length;
  }
  EXPECT_EQ(sum, file.size());
  // About the average size: far from the forced cuts at either end.
  double average = static_cast<double>(file.size()) / static_cast<double>(whole.chunks.size());
  EXPECT_GT(average, 40.0 * 1024);
  EXPECT_LT(average, 120.0 * 1024);
  for (size_t piece : {size_t{1} << 0, size_t{4097}, kMiB}) {
    Scanned other = scanned(file.substr(0, 2 * kMiB), piece);
    Scanned reference = scanned(file.substr(0, 2 * kMiB), 2 * kMiB);
    ASSERT_EQ(other.chunks.size(), reference.chunks.size()) << piece;
    EXPECT_TRUE(std::equal(other.chunks.begin(), other.chunks.end(), reference.chunks.begin(),
                           [](const LocalChunk& a, const LocalChunk& b) { return a.offset == b.offset && a.hash == b.hash; }));
    EXPECT_EQ(other.sha, platform::sha256Of(file.substr(0, 2 * kMiB)).value());
  }
}

TEST(ChunkCutting, BoundariesResynchroniseAfterAnInsertionOrADeletion) {
  std::string file = randomBytes(8 * kMiB, 2);
  std::set<ChunkHash> before = hashesOf(scanned(file));
  struct Edit {
    const char* what;
    size_t at, removed;
    std::string inserted;
  };
  const Edit edits[] = {
      {"1 MiB inserted at 10 %", file.size() / 10, 0, randomBytes(kMiB, 3)},
      {"7 bytes inserted", 3 * kMiB + 5, 0, "abcdefg"},
      {"1000 bytes deleted", 5 * kMiB, 1000, ""},
  };
  for (const Edit& e : edits) {
    std::string changed = file.substr(0, e.at) + e.inserted + file.substr(e.at + e.removed);
    Scanned after = scanned(changed);
    size_t kept = 0, lost = 0;
    for (const auto& c : after.chunks) {
      bool old = before.count(c.hash) > 0;
      kept += old ? c.length : 0;
      // Only the chunks touching the edit may be new, plus at most the one after them.
      bool nearEdit = c.offset + c.length > e.at && c.offset < e.at + e.inserted.size() + 2 * ChunkParams{}.maxSize;
      if (!old && !nearEdit) ++lost;
    }
    EXPECT_EQ(lost, 0u) << e.what;
    EXPECT_GE(kept + e.inserted.size() + 3 * ChunkParams{}.maxSize, changed.size()) << e.what;
  }
}

TEST(ChunkIndexFile, ReadsBackWhatWasWrittenAndRefusesEveryInconsistency) {
  std::string file = randomBytes(3 * kMiB + 17, 4);
  ChunkIndex index = scanned(file).index;
  std::string bytes = encodeChunkIndex(index);
  EXPECT_EQ(bytes.size(), kIndexHeaderSize + kIndexEntrySize * index.chunks.size() + kIndexTrailerSize);
  ChunkIndex read;
  std::string problem;
  ASSERT_TRUE(decodeChunkIndex(bytes, read, problem)) << problem;
  EXPECT_EQ(read.fileSize, file.size());
  EXPECT_EQ(read.fileSha256, platform::sha256Of(file).value());
  EXPECT_EQ(read.chunks, index.chunks);
  EXPECT_EQ(read.params, ChunkParams{});

  // Re-encoded with a changed field: the checksum is right, the content is not.
  auto withIndex = [&](auto change) {
    ChunkIndex other = index;
    change(other);
    return encodeChunkIndex(other);
  };
  auto withByte = [&](size_t at, char value) {
    std::string other = bytes;
    other[at] = value;
    return other;
  };
  struct Case {
    const char* what;
    std::string bytes;
  };
  const Case cases[] = {
      {"empty", ""},
      {"cut short", bytes.substr(0, bytes.size() - 1)},
      {"one byte more", bytes + "x"},
      {"another magic", withByte(0, 'W')},
      {"another version", withByte(8, 2)},
      {"another hash kind", withByte(10, 2)},
      {"a flipped hash byte", withByte(kIndexHeaderSize + 7, static_cast<char>(bytes[kIndexHeaderSize + 7] ^ 1))},
      {"lengths that miss the size", withIndex([](ChunkIndex& i) { i.fileSize += 1; })},
      {"a chunk above the most", withIndex([](ChunkIndex& i) {
         i.chunks[0].length += i.params.maxSize;
         i.fileSize += i.params.maxSize;
       })},
      {"a short chunk inside", withIndex([](ChunkIndex& i) {
         i.chunks[1].length = 5;
         i.fileSize = 0;
         for (auto& c : i.chunks) i.fileSize += c.length;
       })},
      {"an average that is no power of two", withIndex([](ChunkIndex& i) { i.params.averageSize += 1; })},
      {"tiny chunks", withIndex([](ChunkIndex& i) { i.params.minSize = 16; })},
  };
  for (const Case& c : cases) {
    ChunkIndex untouched = read;
    EXPECT_FALSE(decodeChunkIndex(c.bytes, untouched, problem)) << c.what;
    EXPECT_FALSE(problem.empty()) << c.what;
    EXPECT_EQ(untouched.chunks, read.chunks) << c.what;
  }
}

// Copies and fetches together cover the new file once, in order, and the fetches lie on
// chunk boundaries.
void expectCoversOnce(const DeltaPlan& plan, const ChunkIndex& target) {
  std::vector<std::pair<uint64_t, uint64_t>> pieces;
  for (const auto& c : plan.copies) pieces.push_back({c.to, c.length});
  for (const auto& f : plan.fetches) pieces.push_back({f.offset, f.length});
  std::sort(pieces.begin(), pieces.end());
  uint64_t at = 0;
  for (const auto& [offset, length] : pieces) {
    EXPECT_EQ(offset, at);
    at += length;
  }
  EXPECT_EQ(at, target.fileSize);
  for (const auto& f : plan.fetches) {
    uint64_t start = 0, length = 0;
    for (size_t i = 0; i < f.firstChunk; ++i) start += target.chunks[i].length;
    for (size_t i = f.firstChunk; i < f.firstChunk + f.chunkCount; ++i) length += target.chunks[i].length;
    EXPECT_EQ(f.offset, start);
    EXPECT_EQ(f.length, length);
  }
  EXPECT_EQ(plan.reusedBytes + plan.fetchedBytes, target.fileSize);
}

std::string scatteredEdits(std::string file, int count, uint64_t seed) {
  std::mt19937_64 random(seed);
  for (int k = 0; k < count; ++k) {
    size_t at = random() % (file.size() - 4096);
    for (size_t i = 0; i < 4096; ++i) file[at + i] = static_cast<char>(random());
  }
  return file;
}

TEST(DeltaPlanning, ReusesWhatTheOldFileHoldsAndFetchesTheRestInBoundedRanges) {
  const std::string v1 = randomBytes(32 * kMiB, 5);
  const std::string other = randomBytes(32 * kMiB, 6);
  struct Case {
    const char* what;
    std::string local, target;
    bool whole;
    uint64_t mostFetched;  // bytes
  };
  const Case cases[] = {
      {"all reused", v1, v1, false, 0},
      {"nothing in common", other, v1, true, 32 * kMiB},
      {"20 scattered 4 KiB edits", v1, scatteredEdits(v1, 20, 7), false, 20 * 2 * 256 * 1024},
      {"a tail appended", v1, v1 + randomBytes(3 * kMiB, 8), false, 3 * kMiB + 256 * 1024},
      {"the file shrunk", v1, v1.substr(0, 20 * kMiB), false, 256 * 1024},
      {"a local file longer than the new one", v1 + other, v1.substr(kMiB), false, 2 * 256 * 1024},
      {"the same content twice in the new file", v1.substr(0, 16 * kMiB), v1.substr(0, 16 * kMiB) + v1.substr(0, 16 * kMiB),
       false, 2 * 256 * 1024},
      {"less than a tenth in common", v1.substr(0, 2 * kMiB), v1.substr(0, 2 * kMiB) + other, true, 34 * kMiB},
  };
  for (const Case& c : cases) {
    ChunkIndex target = scanned(c.target).index;
    DeltaPlan plan = planDelta(target, {scanned(c.local).chunks});
    EXPECT_EQ(plan.whole, c.whole) << c.what;
    if (!plan.whole) expectCoversOnce(plan, target);
    else EXPECT_TRUE(plan.copies.empty() && plan.fetches.empty()) << c.what;
    EXPECT_LE(plan.fetchedBytes, c.mostFetched) << c.what;
    EXPECT_LE(plan.fetches.size(), std::max<uint64_t>(2, target.fileSize / kMiB)) << c.what;
  }
}

TEST(DeltaPlanning, JoinsNearFetchesBoundsTheRequestsAndCutsLongOnesForTheConnections) {
  const std::string v1 = randomBytes(64 * kMiB, 9);
  // 300 edits: more runs than one request per MiB allows.
  ChunkIndex target = scanned(scatteredEdits(v1, 300, 10)).index;
  DeltaPlan plan = planDelta(target, {scanned(v1).chunks});
  ASSERT_FALSE(plan.whole);
  expectCoversOnce(plan, target);
  EXPECT_LE(plan.fetches.size(), 64u);

  // One long missing stretch of 24 MiB is shared out: pieces of at least 1 MiB, several of them.
  std::string v2 = v1.substr(0, 20 * kMiB) + randomBytes(24 * kMiB, 11) + v1.substr(44 * kMiB);
  ChunkIndex stretch = scanned(v2).index;
  DeltaPlan shared = planDelta(stretch, {scanned(v1).chunks});
  expectCoversOnce(shared, stretch);
  EXPECT_GE(shared.fetches.size(), 5u);
  for (size_t i = 0; i + 1 < shared.fetches.size(); ++i) EXPECT_GE(shared.fetches[i].length, kMiB);

  // A chunk found in a second local file (a partial download) is copied from there.
  std::string half = v2.substr(20 * kMiB, 12 * kMiB);
  DeltaPlan both = planDelta(stretch, {scanned(v1).chunks, scanned(half).chunks});
  expectCoversOnce(both, stretch);
  EXPECT_TRUE(std::any_of(both.copies.begin(), both.copies.end(), [](const CopyStep& c) { return c.source == 1; }));
  EXPECT_LT(both.fetchedBytes, shared.fetchedBytes - 10 * kMiB);
}

}  // namespace
}  // namespace delta
