#include "download/engine_task.h"

#include <algorithm>
#include <utility>

#include "download/http_head.h"

namespace download {

EngineTask::EngineTask(TaskParameters params, EngineRules rules, int32_t id)
    : params_(std::move(params)), rules_(rules), id_(id) {}

EngineTask::~EngineTask() {
  requestStop();
  join();
}

bool EngineTask::prepareFresh() {
  if (!parseUrl(trimBlanks(params_.url), url_)) return false;
  referer_ = params_.referer.empty() ? defaultReferer(trimBlanks(params_.url)) : params_.referer;
  addMirrors();
  return true;
}

// The task's own address leads; the alternates follow in the caller's order. On a resumed
// task the record's address leads, so the record keeps naming the same resource whichever
// of them the caller now lists first. Unusable alternates are left out.
void EngineTask::addMirrors() {
  sources_.add(url_, referer_);
  std::vector<std::string> others{trimBlanks(params_.url)};
  for (const std::string& m : params_.mirrors) others.push_back(trimBlanks(m));
  for (const std::string& text : others) {
    Url url;
    if (!parseUrl(text, url)) continue;
    sources_.add(url, params_.referer.empty() ? defaultReferer(formatUrl(url)) : params_.referer);
  }
}

bool EngineTask::prepareResumed(const TaskState& state) {
  if (!file_.openExisting(params_.localFile, static_cast<uint32_t>(state.fileSize))) return false;
  url_ = state.url;
  referer_ = state.referer.empty() ? defaultReferer(formatUrl(url_)) : state.referer;
  addMirrors();
  validator_ = state.validator;
  fileSize_ = state.fileSize;
  std::vector<Segment> segments = state.segments;
  for (Segment& s : segments) s.owner = 0;
  table_ = SegmentTable(std::move(segments));
  received_ = table_.receivedTotal();
  for (size_t i = 0; i < table_.segments().size(); ++i) {
    if (!table_.segments()[i].complete()) pendingSegments_.push_back(static_cast<int>(i));
  }
  return true;
}

void EngineTask::run() { control_ = std::thread(&EngineTask::control, this); }

void EngineTask::requestStop() {
  stop_.store(true);
  std::lock_guard guard(lock_);
  wake_.notify_all();
}

void EngineTask::join() {
  if (control_.joinable() && control_.get_id() != std::this_thread::get_id()) control_.join();
}

void EngineTask::launch(int segment) {
  int id = nextConnectionId_++;
  if (segment >= 0) table_.at(segment).owner = id;
  ++running_;
  lastLaunch_ = std::chrono::steady_clock::now();
  int source = sources_.attach();
  workers_.push_back(Worker{id, std::thread(&EngineTask::connectionMain, this, id, segment, source)});
}

// A resumed task's segments or a fresh task's further connections wait to be started.
bool EngineTask::launchQueued() const { return !pendingSegments_.empty() || wantedConnections_ > 0; }

// A ranges-only task may hold many more segments than connections: they take turns.
bool EngineTask::mayLaunch() const {
  return launchQueued() && (!params_.rangesOnly || running_ < std::max(params_.connections, 1));
}

std::chrono::steady_clock::time_point EngineTask::nextLaunchAt() const {
  bool spaced = fileSize_ >= rules_.spacedFromBytes;
  return lastLaunch_ + std::chrono::milliseconds(spaced ? rules_.launchSpacingMs : 0);
}

// Starts every queued connection whose time has come; a stop drops the queue.
void EngineTask::launchDue() {
  if (stop_.load()) {
    pendingSegments_.clear();
    wantedConnections_ = 0;
    return;
  }
  while (mayLaunch() && std::chrono::steady_clock::now() >= nextLaunchAt()) {
    if (!pendingSegments_.empty()) {
      launch(pendingSegments_.front());
      pendingSegments_.erase(pendingSegments_.begin());
      continue;
    }
    --wantedConnections_;
    int segment = table_.assign(nextConnectionId_);
    if (segment >= 0) launch(segment);
  }
}

bool EngineTask::anyFinished() const {
  for (const Worker& w : workers_) {
    if (w.finished) return true;
  }
  return false;
}

void EngineTask::collectEnded(std::unique_lock<std::mutex>& lock) {
  std::vector<std::thread> done;
  for (auto it = workers_.begin(); it != workers_.end();) {
    if (it->finished) {
      done.push_back(std::move(it->thread));
      it = workers_.erase(it);
    } else {
      ++it;
    }
  }
  lock.unlock();
  for (std::thread& t : done) t.join();
  lock.lock();
}

// A resumed file that had already arrived whole starts no connection, so no answer would
// announce its size; without it the caller would judge the file against another size.
void EngineTask::announceCompleteResume() {
  bool announce = false;
  {
    std::lock_guard guard(lock_);
    announce = fileSize_ >= 0 && table_.complete() && !sizeAnnounced_;
    sizeAnnounced_ = sizeAnnounced_ || announce;
  }
  if (announce) event(kEventSizeKnown, 0, static_cast<int32_t>(fileSize_));
}

void EngineTask::control() {
  announceCompleteResume();
  {
    std::unique_lock lock(lock_);
    if (fileSize_ < 0) launch(-1);
    for (;;) {
      launchDue();
      collectEnded(lock);
      if (running_ == 0 && workers_.empty() && !launchQueued()) break;
      if (mayLaunch()) {
        // A stop drops what is queued at once; the running connections end on their own.
        wake_.wait_until(lock, nextLaunchAt(), [&] { return stop_.load() || anyFinished(); });
      } else {
        wake_.wait(lock, [&] { return anyFinished() || mayLaunch(); });
      }
    }
  }
  noteSources();
  // The file is closed before the end event so that whoever the event releases can move it.
  file_.close();
  ending_.store(true);
  event(kEventEnded, 0, receivedBytes());
  ended_.store(true);
}

TaskState EngineTask::snapshot() const {
  std::lock_guard guard(lock_);
  TaskState state;
  state.url = url_;
  state.referer = referer_;
  state.userAgent = kUserAgent;
  state.localFile = params_.localFile;
  state.validator = validator_;
  state.connections = params_.connections;
  state.fileSize = static_cast<int32_t>(fileSize_ < 0 ? 0 : fileSize_);
  if (fileSize_ >= 0) state.segments = table_.segments();
  return state;
}

int32_t EngineTask::takeSpeedSample() {
  std::lock_guard guard(lock_);
  return static_cast<int32_t>(std::exchange(speedCounter_, 0));
}

int32_t EngineTask::receivedBytes() const {
  std::lock_guard guard(lock_);
  return static_cast<int32_t>(received_);
}

bool EngineTask::remoteChanged() const {
  std::lock_guard guard(lock_);
  bool whole = fileSize_ >= 0 && !fileFailed_ && table_.complete();
  return remoteChanged_ || (sourceDiffered_ && !whole);
}

int64_t EngineTask::offeredSize() const {
  std::lock_guard guard(lock_);
  return offeredSize_;
}

std::string EngineTask::abandonedFor() const {
  std::lock_guard guard(lock_);
  return abandonedFor_;
}

// The first cause is the one told; the other connections end with the stop.
void EngineTask::abandon(const std::string& why) {
  {
    std::lock_guard guard(lock_);
    if (abandonedFor_.empty()) abandonedFor_ = why;
  }
  requestStop();
}

DownloadFailure EngineTask::failure() const {
  std::lock_guard guard(lock_);
  return failure_;
}

bool EngineTask::complete() const {
  std::lock_guard guard(lock_);
  return fileSize_ >= 0 && !fileFailed_ && table_.complete();
}

void EngineTask::say(int level, const std::string& text) const {
  if (params_.messageHook) params_.messageHook(level, text);
}

void EngineTask::event(int32_t code, int32_t a, int32_t b) const {
  if (params_.callback) params_.callback(code, a, b, 0, id_);
}

}  // namespace download
