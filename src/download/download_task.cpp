#include "download/download_task.h"

#include <utility>

#include "download/source_set.h"
#include "download/task_state_blob.h"
#include "download/url.h"

namespace download {

namespace {

constexpr int32_t kDefaultReceiveChunk = 10240;

int64_t receivedOf(const TaskState& state) {
  int64_t fetched = 0;
  for (const Segment& s : state.segments) fetched += s.received;
  return fetched;
}

}  // namespace

DownloadTask::DownloadTask() {
  params_.mode = kModeDownload;
  params_.receiveChunk = kDefaultReceiveChunk;
  params_.control = control_;
}

DownloadTask::~DownloadTask() { engineTask_.destroy(); }

std::unique_ptr<DownloadTask> DownloadTask::clone() const {
  auto copy = std::make_unique<DownloadTask>();
  copy->params_ = params_;
  copy->control_ = control_;
  copy->taskState_ = taskState();
  copy->totalSize_ = totalSize_.load();
  copy->tmpPath_ = tmpPath_;
  copy->workPath_ = workPath_;
  copy->encodeRecord_ = encodeRecord_;
  copy->state_ = state_.load();
  copy->nextExpectedSize_ = nextExpectedSize_;
  return copy;
}

void DownloadTask::takeAddresses(const std::string& url) {
  std::vector<std::string> addresses = splitAddresses(url);
  params_.url = trimBlanks(addresses.front());
  params_.mirrors.clear();
  for (size_t i = 1; i < addresses.size(); ++i) {
    std::string mirror = trimBlanks(addresses[i]);
    if (!mirror.empty()) params_.mirrors.push_back(mirror);
  }
}

bool DownloadTask::start(platform::Files& files, const std::string& url, const std::string& target,
                         EventCallback callback, int32_t connections, bool useConnections) {
  // Nothing of a download that still runs is touched: its fields, its files.
  if (engineTask_.holdsTask()) return false;
  takeAddresses(url);
  encodeRecord_ = nullptr;
  params_.rangesOnly = false;
  params_.checkFrom = nullptr;
  params_.localFile = target + ".tmp";
  params_.connections = useConnections ? connections : 1;
  params_.callback = std::move(callback);
  params_.expectedSize = std::exchange(nextExpectedSize_, 0);
  tmpPath_ = params_.localFile;
  workPath_ = tmpPath_ + ".work";
  setState(0);
  resumedBytes_ = 0;
  learnedSize_ = 0;
  bytesAtEnd_ = 0;
  // An address that cannot start (a manifest attribute gone missing) leaves what an earlier
  // run has fetched for this target alone.
  Url usable;
  if (!parseUrl(params_.url, usable)) return false;
  if (files.exists(tmpPath_)) {
    if (files.exists(workPath_)) {
      bool refused = false;
      bool resumed = resumeFromDisk(files, refused);
      if (!refused) return resumed;
      // A record that fails its check (or no longer matches the data file) would refuse
      // every later run too: both stale files go and the download starts afresh.
      files.deleteFile(workPath_);
    }
    if (!files.deleteFile(tmpPath_)) return false;
  }
  files.deleteFile(workPath_);
  return engineTask_.start(params_);
}

bool DownloadTask::startSeeded(const std::string& url, const std::string& target, EventCallback callback,
                               int32_t connections, Seeded seeded) {
  if (engineTask_.holdsTask()) return false;
  takeAddresses(url);
  params_.localFile = target + ".tmp";
  params_.connections = connections;
  params_.callback = std::move(callback);
  params_.expectedSize = std::exchange(nextExpectedSize_, 0);
  tmpPath_ = params_.localFile;
  workPath_ = seeded.recordPath;
  encodeRecord_ = std::move(seeded.encode);
  {
    std::lock_guard guard(stateLock_);
    taskState_.clear();
  }
  setState(0);
  learnedSize_ = 0;
  bytesAtEnd_ = 0;
  resumedBytes_ = seeded.table.fileSize > 0 ? receivedOf(seeded.table) : 0;
  seeded.table.localFile = params_.localFile;
  if (!parseUrl(params_.url, seeded.table.url)) return false;
  return engineTask_.resumeWith(params_, seeded.table);
}

bool DownloadTask::resumeFromDisk(platform::Files& files, bool& refused) {
  std::string blob;
  TaskState state;
  int64_t size = -1;
  // A record of an address this download no longer names is stale: the operator has moved
  // the file, and its old server may never answer again. Which of the file's addresses
  // comes first may change between runs. The cache-busting stamp differs on every run. A
  // record of another size than the expected one is another file.
  refused = !files.readWhole(workPath_, blob) || !decodeTaskState(blob, state) ||
            !files.fileSize(tmpPath_, size) || size != state.fileSize || !namesResource(state.url) ||
            (params_.expectedSize > 0 && state.fileSize != params_.expectedSize);
  if (refused) {
    std::lock_guard guard(stateLock_);
    taskState_.clear();
    return false;
  }
  if (!resume(blob, true)) return false;
  resumedBytes_ = receivedOf(state);
  return true;
}

bool DownloadTask::namesResource(const Url& recorded) const {
  Url url;
  if (parseUrl(params_.url, url) && sameResource(url, recorded)) return true;
  for (const std::string& mirror : params_.mirrors) {
    if (parseUrl(mirror, url) && sameResource(url, recorded)) return true;
  }
  return false;
}

bool DownloadTask::resume(const std::string& blob, bool store) {
  std::string record;
  {
    std::lock_guard guard(stateLock_);
    if (store) taskState_ = blob;
    record = taskState_;
  }
  if (record.empty()) return false;
  return engineTask_.resume(params_, record);
}

bool DownloadTask::stopKeepingState() {
  std::string blob;
  if (!engineTask_.stopAndTakeState(blob)) return false;
  std::lock_guard guard(stateLock_);
  taskState_ = std::move(blob);
  return true;
}

int32_t DownloadTask::takeSpeedSample() { return engineTask_.takeSpeedSample(); }
int32_t DownloadTask::receivedBytes() { return engineTask_.receivedBytes(); }
std::string DownloadTask::savedFileName() { return engineTask_.savedFileName(); }
void DownloadTask::setTotalSize(int32_t size) {
  totalSize_ = size;
  learnedSize_ = size;
}
int32_t DownloadTask::getTotalSize() const { return totalSize_; }
void DownloadTask::setState(int32_t state) { state_ = state; }
int32_t DownloadTask::getState() const { return state_; }

std::string DownloadTask::taskState() const {
  std::lock_guard guard(stateLock_);
  return taskState_;
}

std::string DownloadTask::finish(platform::Files& files) {
  std::lock_guard guard(stateLock_);
  int32_t received = receivedBytes();
  bytesAtEnd_ = received;
  // A size the task refused (no room, not the expected one) is still the one the server gave.
  if (learnedSize_ == 0 && engineTask_.offeredSize() > 0) learnedSize_ = engineTask_.offeredSize();
  // The count alone would call a download complete that never learned its size (the
  // previous file's size, or 0, still stands); the engine's table decides as well.
  if (received < getTotalSize() || !engineTask_.completed()) {
    setState(2);
    // Resuming a file the server has since replaced would fail the same way on every later
    // run; dropping both files lets the next run fetch the new one from its first byte.
    if (engineTask_.remoteChanged()) {
      taskState_.clear();
      files.deleteFile(tmpPath_);
      files.deleteFile(workPath_);
    }
    return std::string();
  }
  setState(3);
  taskState_.clear();
  files.deleteFile(workPath_);
  return savedFileName();
}

bool DownloadTask::saveState(platform::Files& files, const std::string& blob, bool given) {
  std::lock_guard guard(stateLock_);
  if (given) {
    taskState_ = blob;
  } else {
    std::string fetched;
    // Once the end event has decided, a late timer tick must not bring the record back.
    if (getState() >= 2) return false;
    if (encodeRecord_) {
      TaskState table;
      if (!engineTask_.takeTable(table)) return false;
      fetched = encodeRecord_(table);
    } else if (!engineTask_.takeState(fetched)) {
      return false;
    }
    taskState_ = std::move(fetched);
  }
  // Saved while the download runs and the process may be killed at any moment: a cut-short
  // record would throw away everything fetched so far.
  return files.replaceWhole(workPath_, taskState_);
}

}  // namespace download
