#include "patching/delta_download.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <thread>

#include "delta/chunk_placer.h"
#include "delta/chunk_scanner.h"
#include "delta/chunk_verifier.h"
#include "delta/delta_plan.h"
#include "delta/delta_record.h"
#include "patching/check_code.h"
#include "patching/delta_index.h"
#include "patching/disk_room.h"
#include "patching/format_size.h"
#include "patching/signed_files.h"
#include "patching/file_download.h"
#include "support/support_notes.h"
#include "text/byte_encodings.h"

namespace patching {

namespace {

constexpr int32_t kDeltaConnections = 5;
constexpr size_t kScanBlock = 1 << 20;

struct DeltaPaths {
  explicit DeltaPaths(const std::string& target)
      : tmp(target + ".tmp"), record(tmp + ".delta"), index(target + ".chunks"), indexData(index + ".tmp") {}
  std::string tmp, record, index, indexData;
};

// The index and its map stay alive with the download task that checks and records by them.
struct DeltaIndex {
  explicit DeltaIndex(delta::ChunkIndex i, const platform::Sha256Digest& digest)
      : index(std::move(i)), map(index), identity(digest) {}
  delta::ChunkIndex index;
  delta::ChunkMap map;
  platform::Sha256Digest identity;
};

// The index's bytes and the entry's codes: a record made for either of another release is stale.
std::optional<platform::Sha256Digest> identityOf(const PatchEntry& entry, const std::string& indexBytes) {
  std::string text = indexBytes;
  for (const std::string* field : {&entry.CheckCode, &entry.size, &entry.sha256, &entry.chunks_sha256})
    text += '\n' + *field;
  return platform::sha256Of(text);
}

struct DeltaStart {
  std::shared_ptr<const DeltaIndex> index;
  std::vector<download::Segment> segments;
  bool resumed = false;
  uint64_t indexBytes = 0;  // fetched in this run
  uint64_t scanned = 0;
  uint32_t scanMs = 0;
};

void dropDelta(platform::Files& files, const DeltaPaths& paths) {
  for (const std::string& p : {paths.tmp, paths.record, paths.indexData, paths.indexData + ".work"})
    files.deleteFile(p);
}

int notUsed(state::AppState& app, const PatchEntry& entry, const std::string& why) {
  app.log.write("delta " + support::manifestText(entry.name) + " not used, the file is fetched whole: " + why);
  return kNotStarted;
}

std::shared_ptr<const DeltaIndex> usableIndex(const state::AppState& app, const PatchEntry& entry,
                                               const std::string& bytes, std::string& why) {
  delta::ChunkIndex index;
  why = chunkIndexProblem(app, entry, bytes, index);
  auto digest = identityOf(entry, bytes);
  if (why.empty() && !digest) why = "no digest of its chunk index could be made";
  if (!why.empty()) return nullptr;
  return std::make_shared<const DeltaIndex>(std::move(index), *digest);
}

// A delta an earlier run began, when its record, index and ".tmp" still belong together and to
// this entry.
bool resumeDelta(state::AppState& app, const PatchEntry& entry, const DeltaPaths& paths, DeltaStart& start) {
  auto& files = app.platform.files;
  std::string record, bytes, why;
  delta::DeltaRecord table;
  int64_t size = -1;
  if (!files.readWhole(paths.record, record) || !delta::decodeDeltaRecord(record, table) ||
      !files.readWhole(paths.indexData, bytes))
    return false;
  start.index = usableIndex(app, entry, bytes, why);
  if (!start.index || start.index->identity != table.identity || table.fileSize != start.index->index.fileSize ||
      !files.fileSize(paths.tmp, size) || static_cast<uint64_t>(size) != table.fileSize)
    return false;
  start.segments = std::move(table.segments);
  start.resumed = true;
  return true;
}

// Reused stretches as complete segments, the ranges to fetch as empty ones, in file order.
std::vector<download::Segment> tableOf(const delta::DeltaPlan& plan) {
  std::vector<download::Segment> segments;
  for (const delta::CopyStep& c : plan.copies) {
    auto length = static_cast<int64_t>(c.length);
    segments.push_back({static_cast<int64_t>(c.to), length, length, 0});
  }
  for (const delta::FetchRange& f : plan.fetches)
    segments.push_back({static_cast<int64_t>(f.offset), static_cast<int64_t>(f.length), 0, 0});
  std::sort(segments.begin(), segments.end(), [](const auto& a, const auto& b) { return a.start < b.start; });
  std::vector<download::Segment> joined;
  for (const download::Segment& s : segments) {
    bool whole = !joined.empty() && joined.back().complete() && s.complete() &&
                 joined.back().start + joined.back().length == s.start;
    if (whole) {
      joined.back().length += s.length;
      joined.back().received += s.length;
    } else {
      joined.push_back(s);
    }
  }
  return joined;
}

// Reads the old file once: its chunks are cut, and those the new file holds written into the
// ".tmp" on the way. Empty when the plan can go on, else why not.
std::string scanAndPlace(state::AppState& app, const PatchEntry& entry, const DeltaPaths& paths, DeltaStart& start) {
  auto& files = app.platform.files;
  const DeltaIndex& di = *start.index;
  int64_t freeBytes = 0;
  if (!volumeHasRoom(app, addSizes(static_cast<int64_t>(di.index.fileSize), kWorkFileRoom), freeBytes))
    return "the disk has no room for the new file";
  platform::MappedFile out;
  files.deleteFile(paths.tmp);
  if (!out.create(paths.tmp, static_cast<uint32_t>(di.index.fileSize))) return "the new file could not be created";
  delta::ChunkPlacer placer(di.map, out);
  delta::ChunkScanner scanner(di.index.params, false);
  scanner.onCut([&placer](uint64_t at, const uint8_t* data, size_t length) { placer.take(at, data, length); });
  uint32_t began = app.platform.system.tickCount();
  bool read = files.readBlocks(entry.localPath, kScanBlock, [&](const char* data, size_t size) {
    scanner.feed(data, size);
    return placer.ok();
  });
  bool cut = read && scanner.finish();
  bool placed = placer.finish();
  start.scanMs = app.platform.system.tickCount() - began;
  start.scanned = scanner.size();
  if (!placed) return "the new file could not be written";
  if (!cut) return "the old file could not be read";
  delta::DeltaPlan plan = delta::planDelta(di.index, {placer.chunks()});
  if (plan.whole) return "too little of the old file is reused (" + std::to_string(plan.reusedBytes) + " bytes)";
  start.segments = tableOf(plan);
  return std::string();
}

std::string beginDelta(state::AppState& app, const PatchEntry& entry, const std::string& stamp,
                       const DeltaPaths& paths, DeltaStart& start) {
  std::string bytes, why;
  if (!fetchChunkIndex(app, chunkIndexAddresses(entry, stamp), paths.index, bytes, why)) return why;
  start.indexBytes = bytes.size();
  start.index = usableIndex(app, entry, bytes, why);
  if (!start.index) return why;
  return scanAndPlace(app, entry, paths, start);
}

std::string encodeRecord(const DeltaIndex& di, const std::vector<download::Segment>& segments) {
  return delta::encodeDeltaRecord({di.identity, di.index.fileSize, segments}, di.map);
}

// Fetches the missing ranges on the launcher's download task: the window shows its progress,
// the reused bytes counted as done.
int fetchRanges(state::AppState& app, const PatchEntry& entry, const std::string& stamp, const std::string& target,
                const DeltaStart& start) {
  download::DownloadTask& task = app.downloadTask;
  clearDownloadEnd(app);
  bindDownloadHooks(app, task);
  std::shared_ptr<const DeltaIndex> di = start.index;
  task.params().rangesOnly = true;
  task.params().checkFrom = [di](int64_t at) { return delta::checkFromChunk(di->map, at); };
  download::DownloadTask::Seeded seeded;
  seeded.table.fileSize = static_cast<int32_t>(di->index.fileSize);
  seeded.table.connections = kDeltaConnections;
  seeded.table.segments = start.segments;
  seeded.recordPath = DeltaPaths(target).record;
  seeded.encode = [di](const download::TaskState& t) { return encodeRecord(*di, t.segments); };
  task.expectSizeOfNextStart(static_cast<int64_t>(di->index.fileSize));
  std::string url = downloadAddresses(entry.url, entry.mirrors, stamp);
  int result = task.startSeeded(url, target, downloadEvents(app), kDeltaConnections, std::move(seeded))
                   ? awaitDownloadEnd(app)
                   : kNotStarted;
  task.params().rangesOnly = false;
  task.params().checkFrom = nullptr;
  return result;
}

uint64_t completeBytes(const std::vector<download::Segment>& segments) {
  uint64_t bytes = 0;
  for (const download::Segment& s : segments) bytes += static_cast<uint64_t>(s.received);
  return bytes;
}

void noteDelta(state::AppState& app, const PatchEntry& entry, const DeltaStart& start, uint32_t began) {
  const download::DownloadTask& task = app.downloadTask;
  size_t ranges = 0;
  for (const download::Segment& s : start.segments) ranges += s.complete() ? 0 : 1;
  int64_t fetched = std::max<int64_t>(task.bytesAtEnd() - task.resumedBytes(), 0);
  app.log.write("delta " + support::manifestText(entry.name) + ": reused " + std::to_string(completeBytes(start.segments)) +
                " bytes, fetched " + std::to_string(fetched) + " bytes in " + std::to_string(ranges) +
                " ranges, index " + std::to_string(start.indexBytes) + " bytes, scanned " +
                std::to_string(start.scanned) + " bytes in " + std::to_string(start.scanMs) + " ms, " +
                std::to_string(app.platform.system.tickCount() - began) + " ms in all" +
                (start.resumed ? ", resumed" : ""));
}

// The delta an earlier run began, else a new one whose reused chunks are in place and whose
// record is written, so that from here a killed run goes on where it stopped. Empty when the
// ranges can be fetched, else why not.
std::string resumeOrBegin(state::AppState& app, const PatchEntry& entry, const std::string& stamp,
                          const DeltaPaths& paths, DeltaStart& start) {
  auto& files = app.platform.files;
  if (files.exists(paths.record) && resumeDelta(app, entry, paths, start)) return std::string();
  dropDelta(files, paths);
  start = DeltaStart{};
  if (!files.exists(entry.localPath)) return "no older version of it is on disk";
  std::string why = beginDelta(app, entry, stamp, paths, start);
  if (!why.empty()) return why;
  if (!files.replaceWhole(paths.record, encodeRecord(*start.index, start.segments)))
    return "its resume record could not be written";
  return std::string();
}

// One pass over the file for both digests: the MD5 on a thread of its own beside the SHA-256.
bool digestAssembled(platform::Files& files, const std::string& path, bool withMd5, AssembledDigests& digests) {
  bool md5Read = true;
  std::thread second;
  if (withMd5) second = std::thread([&] { md5Read = fileMd5Hex(files, path, digests.md5); });
  bool shaRead = fileSha256Hex(files, path, digests.sha256);
  if (second.joinable()) second.join();
  return shaRead && md5Read;
}

bool matchesIndex(const AssembledDigests& digests, const DeltaIndex& di) {
  const auto& sha = di.index.fileSha256;
  return digests.sha256 == text::lowerHex({reinterpret_cast<const char*>(sha.data()), sha.size()});
}

}  // namespace

int downloadDelta(state::AppState& app, const PatchEntry& entry, const std::string& stamp, const std::string& target,
                  int index, int count, AssembledDigests& digests) {
  if (entry.chunks.empty()) return kNotStarted;
  auto& files = app.platform.files;
  DeltaPaths paths(target);
  // A whole download an earlier run began goes on as it was.
  if (files.exists(paths.tmp + ".work")) return notUsed(app, entry, "a whole download of it was begun before");
  app.downloadIndex = index;
  app.downloadCount = count;
  uint32_t began = app.platform.system.tickCount();
  DeltaStart start;
  std::string why = resumeOrBegin(app, entry, stamp, paths, start);
  if (!why.empty()) {
    dropDelta(files, paths);
    return notUsed(app, entry, why);
  }
  int result = fetchRanges(app, entry, stamp, target, start);
  if (result != kComplete) {
    std::string cause = app.downloadTask.engine().abandonedFor();
    why = "its ranges could not be fetched" + (cause.empty() ? std::string() : ": a source " + cause);
  } else if (!digestAssembled(files, paths.tmp, entry.CheckCode.size() == kMd5Length, digests) ||
             !matchesIndex(digests, *start.index)) {
    why = "the assembled file differs from its chunk index";
  }
  if (!why.empty()) {
    dropDelta(files, paths);
    return notUsed(app, entry, why);
  }
  noteDelta(app, entry, start, began);
  for (const std::string& p : {paths.record, paths.indexData, paths.indexData + ".work"}) files.deleteFile(p);
  return kComplete;
}

bool assembledMatches(state::AppState& app, const std::string& tmpPath, const PatchEntry& entry,
                      const AssembledDigests& digests) {
  std::string header;
  bool code = !isMatchableCode(entry.CheckCode) ||
              (digests.md5.empty()
                   ? computeCheckCode(app.platform.files, tmpPath, entry.CheckCode, header) && header == entry.CheckCode
                   : digests.md5 == entry.CheckCode);
  return code && (!hasSignedDigest(app, entry) || digests.sha256 == entry.sha256);
}

}  // namespace patching
