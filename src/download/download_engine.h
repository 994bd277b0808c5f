#pragma once
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "download/engine_task.h"
#include "download/task_parameters.h"

namespace download {

// The engine's handle cell: holds at most one running task and carries the engine's
// commands. Every command is safe to call from any thread while the task runs; the
// reading commands (state, speed, counts, name) also from inside the task's own events.
class DownloadEngine {
 public:
  DownloadEngine() = default;
  ~DownloadEngine();
  DownloadEngine(const DownloadEngine&) = delete;
  DownloadEngine& operator=(const DownloadEngine&) = delete;

  // False when a task is held that has not yet ended, or the address is unusable.
  bool start(const TaskParameters& params);
  // As start, with the table, address and size of a state record; false as well when
  // the record is refused or the local file does not match it.
  bool resume(const TaskParameters& params, const std::string& blob);
  // As resume, from a table the caller made: no record limits its length.
  bool resumeWith(const TaskParameters& params, const TaskState& state);
  bool takeState(std::string& blob) const;
  bool takeTable(TaskState& state) const;
  bool stopAndTakeState(std::string& blob);
  int32_t takeSpeedSample();
  int32_t receivedBytes() const;
  std::string savedFileName() const;
  // Every segment of the task's file has arrived (the last task, until the next start).
  bool completed() const;
  // The last task was resumed against a server whose file no longer has the size it began with.
  bool remoteChanged() const;
  // Why the last task gave up, when the player can act on it.
  DownloadFailure failure() const;
  // The size the last task's server gave its file, taken or not; -1 when none did.
  int64_t offeredSize() const;
  // Why the last ranges-only task gave up; empty when it did not.
  std::string abandonedFor() const;
  void destroy();
  // The handle cell holds a task that has not ended (non-zero in the cell's terms).
  bool holdsTask() const;

  void setRules(EngineRules rule) { rules_ = rule; }

 private:
  bool launch(const TaskParameters& params, const TaskState* resumed);
  void stopTask();

  std::mutex lifecycle_;        // start, resume, stop, destroy
  mutable std::mutex access_;   // the task pointer
  std::unique_ptr<EngineTask> task_;
  EngineRules rules_;
  int32_t nextId_ = 1;
};

}  // namespace download
