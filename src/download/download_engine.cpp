#include "download/download_engine.h"

#include <utility>

#include "download/task_state_blob.h"

namespace download {

DownloadEngine::~DownloadEngine() { destroy(); }

bool DownloadEngine::launch(const TaskParameters& params, const TaskState* resumed) {
  std::lock_guard life(lifecycle_);
  std::unique_ptr<EngineTask> finished;
  {
    std::lock_guard guard(access_);
    // A task whose end event has been sent is only finishing; it does not block a new start.
    if (task_ && !task_->ending()) return false;
    finished = std::move(task_);
  }
  finished.reset();
  auto task = std::make_unique<EngineTask>(params, rules_, nextId_++);
  bool prepared = resumed ? task->prepareResumed(*resumed) : task->prepareFresh();
  if (!prepared) return false;
  EngineTask* running = task.get();
  {
    std::lock_guard guard(access_);
    task_ = std::move(task);
  }
  running->run();
  return true;
}

bool DownloadEngine::start(const TaskParameters& params) { return launch(params, nullptr); }

bool DownloadEngine::resume(const TaskParameters& params, const std::string& blob) {
  TaskState state;
  if (!decodeTaskState(blob, state)) return false;
  return launch(params, &state);
}

bool DownloadEngine::resumeWith(const TaskParameters& params, const TaskState& state) {
  return launch(params, &state);
}

bool DownloadEngine::takeTable(TaskState& state) const {
  std::lock_guard guard(access_);
  if (!task_ || task_->ended()) return false;
  state = task_->snapshot();
  return !state.segments.empty();
}

bool DownloadEngine::takeState(std::string& blob) const {
  std::lock_guard guard(access_);
  if (!task_ || task_->ended()) return false;
  TaskState state = task_->snapshot();
  if (state.segments.empty()) return false;  // the size is not known yet: nothing to resume from
  blob = encodeTaskState(state);
  return true;
}

void DownloadEngine::stopTask() {
  EngineTask* task = nullptr;
  {
    std::lock_guard guard(access_);
    task = task_.get();
  }
  if (task == nullptr) return;
  // The task's own events may call the reading commands while it is stopped, so the
  // pointer lock is not held while waiting.
  task->requestStop();
  task->join();
}

bool DownloadEngine::stopAndTakeState(std::string& blob) {
  std::lock_guard life(lifecycle_);
  bool taken = takeState(blob);
  stopTask();
  if (taken) {
    std::lock_guard guard(access_);
    blob = encodeTaskState(task_->snapshot());
  }
  return taken;
}

int32_t DownloadEngine::takeSpeedSample() {
  std::lock_guard guard(access_);
  return task_ && !task_->ended() ? task_->takeSpeedSample() : 0;
}

int32_t DownloadEngine::receivedBytes() const {
  std::lock_guard guard(access_);
  return task_ && !task_->ended() ? task_->receivedBytes() : 0;
}

std::string DownloadEngine::savedFileName() const {
  std::lock_guard guard(access_);
  return task_ ? task_->fileName() : std::string();
}

bool DownloadEngine::completed() const {
  std::lock_guard guard(access_);
  return task_ && task_->complete();
}

DownloadFailure DownloadEngine::failure() const {
  std::lock_guard guard(access_);
  return task_ ? task_->failure() : DownloadFailure::none;
}

int64_t DownloadEngine::offeredSize() const {
  std::lock_guard guard(access_);
  return task_ ? task_->offeredSize() : -1;
}

std::string DownloadEngine::abandonedFor() const {
  std::lock_guard guard(access_);
  return task_ ? task_->abandonedFor() : std::string();
}

bool DownloadEngine::remoteChanged() const {
  std::lock_guard guard(access_);
  return task_ && task_->remoteChanged();
}

void DownloadEngine::destroy() {
  std::lock_guard life(lifecycle_);
  stopTask();
  std::unique_ptr<EngineTask> old;
  {
    std::lock_guard guard(access_);
    old = std::move(task_);
  }
}

bool DownloadEngine::holdsTask() const {
  std::lock_guard guard(access_);
  return task_ && !task_->ending();
}

}  // namespace download
