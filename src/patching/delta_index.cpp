#include "patching/delta_index.h"

#include <climits>

#include "download/download_task.h"
#include "patching/disk_room.h"
#include "patching/file_download.h"
#include "patching/format_size.h"
#include "patching/signed_files.h"
#include "text/byte_encodings.h"
#include "text/gbk.h"

namespace patching {

namespace {

constexpr int32_t kIndexConnections = 1;

std::string hexOf(const platform::Sha256Digest& digest) {
  return text::lowerHex({reinterpret_cast<const char*>(digest.data()), digest.size()});
}

}  // namespace

std::string chunkIndexAddresses(const PatchEntry& entry, const std::string& stamp) {
  std::vector<std::string> mirrors;
  std::string suffix = entry.chunks.size() > entry.url.size() ? entry.chunks.substr(entry.url.size()) : std::string();
  if (entry.chunks.compare(0, entry.url.size(), entry.url) == 0 && suffix == ".chunks") {
    for (const std::string& m : entry.mirrors) mirrors.push_back(m + suffix);
  }
  return downloadAddresses(entry.chunks, mirrors, stamp);
}

bool fetchChunkIndex(state::AppState& app, const std::string& addresses, const std::string& path, std::string& bytes,
                     std::string& why) {
  auto& files = app.platform.files;
  download::DownloadTask task;
  bindDownloadHooks(app, task);
  // The player's speed limit and pause hold for the index too.
  task.params().control = app.downloadTask.control();
  // An index is small: a server that offers a large one is not believed.
  task.params().roomFor = [&app](int64_t size) {
    int64_t freeBytes = 0;
    return size <= static_cast<int64_t>(delta::kIndexSizeLimit) && volumeHasRoom(app, size, freeBytes);
  };
  auto events = [&task, &files](int32_t code, int32_t, int32_t b, int32_t, int32_t) {
    if (code == download::kEventSizeKnown) task.setTotalSize(b);
    if (code == download::kEventEnded) {
      task.finish(files);
      task.endSignal().raise();
    }
    return 0;
  };
  task.endSignal().clear();
  if (!task.start(files, addresses, path, events, kIndexConnections, true)) {
    why = "its chunk index could not be asked for";
    return false;
  }
  while (task.getState() < 2) task.endSignal().waitServingMessages();
  if (task.getState() != 3) {
    why = "its chunk index could not be fetched";
    return false;
  }
  if (!files.readWhole(path + ".tmp", bytes)) {
    why = "its chunk index could not be read";
    return false;
  }
  return true;
}

std::string chunkIndexProblem(const state::AppState& app, const PatchEntry& entry, const std::string& bytes,
                              delta::ChunkIndex& index) {
  if (!entry.chunks_sha256.empty()) {
    auto digest = platform::sha256Of(bytes);
    if (!digest || hexOf(*digest) != text::asciiLower(entry.chunks_sha256))
      return "its chunk index differs from the manifest's chunks_sha256";
  }
  std::string problem;
  if (!delta::decodeChunkIndex(bytes, index, problem)) return "its chunk index is refused: " + problem;
  int64_t size = parseSizeText(entry.size);
  if (size > 0 && index.fileSize != static_cast<uint64_t>(size))
    return "its chunk index describes a file of another size";
  // Offsets of the download's table are 32-bit.
  if (index.fileSize == 0 || index.fileSize > INT32_MAX) return "its size is outside what a delta can fetch";
  if (hasSignedDigest(app, entry) && hexOf(index.fileSha256) != text::asciiLower(entry.sha256))
    return "its chunk index describes another file than the signed sha256";
  return std::string();
}

}  // namespace patching
