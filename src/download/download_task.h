#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "download/download_engine.h"
#include "download/task_parameters.h"
#include "download/task_state_blob.h"
#include "download/url.h"
#include "platform/end_signal.h"
#include "platform/files.h"

namespace download {

// The one download object of the process: binds the engine to a temporary file, a state
// file, an expected size and an end state. Operations that touch files take the
// platform's file area.
class DownloadTask {
 public:
  DownloadTask();
  virtual ~DownloadTask();
  DownloadTask(const DownloadTask&) = delete;
  DownloadTask& operator=(const DownloadTask&) = delete;

  // A copy of every field; the copy holds no running task.
  virtual std::unique_ptr<DownloadTask> clone() const;
  // Starts or resumes the download of `url` into `target` + ".tmp". `url` may carry
  // alternates of the same file after it, separated by kAddressSeparator (source_set.h).
  virtual bool start(platform::Files& files, const std::string& url, const std::string& target,
                     EventCallback callback, int32_t connections, bool useConnections);
  virtual bool resume(const std::string& blob, bool store);
  // Starts the download of chosen ranges into an existing `target` + ".tmp" from a table the
  // caller made (a delta): `recordPath` takes the place of the ".work" record, written as
  // `encode` makes it from the running table. The parameters' rangesOnly and checkFrom are
  // the caller's to set.
  struct Seeded {
    TaskState table;
    std::string recordPath;
    std::function<std::string(const TaskState&)> encode;
  };
  bool startSeeded(const std::string& url, const std::string& target, EventCallback callback, int32_t connections,
                   Seeded seeded);
  // The size the file of the next start must have (a size the caller can trust); the start
  // takes it, and a later start without a new one expects no size. 0: any size.
  void expectSizeOfNextStart(int64_t size) { nextExpectedSize_ = size; }
  int64_t expectedSizeOfNextStart() const { return nextExpectedSize_; }
  virtual bool stopKeepingState();
  virtual int32_t takeSpeedSample();
  virtual int32_t receivedBytes();
  virtual std::string savedFileName();
  virtual void setTotalSize(int32_t size);
  virtual int32_t getTotalSize() const;
  // For the support log, about the download started last: the bytes an earlier run had
  // already fetched when it resumed, the size the server gave (0 until it is known; the
  // total size above may still be the previous file's), and the bytes on disk at its end.
  int64_t resumedBytes() const { return resumedBytes_; }
  int64_t learnedSize() const { return learnedSize_; }
  int64_t bytesAtEnd() const { return bytesAtEnd_; }
  // Why the download started last ended incomplete, when the player can act on it.
  DownloadFailure failure() const { return engineTask_.failure(); }
  // At the end event: the end state (2 or 3); for a complete file the state file is
  // removed and the data file's name returned, otherwise the empty text.
  virtual std::string finish(platform::Files& files);
  virtual void setState(int32_t state);
  virtual int32_t getState() const;
  // Keeps `blob` when given, else fetches the running task's record; then writes it to
  // the state file. False when there is nothing to write or the write failed.
  virtual bool saveState(platform::Files& files, const std::string& blob, bool given);

  TaskParameters& params() { return params_; }
  // The speed limit and pause every download of this object (and whoever shares it) obeys.
  const std::shared_ptr<TransferControl>& control() const { return control_; }
  DownloadEngine& engine() { return engineTask_; }
  const DownloadEngine& engine() const { return engineTask_; }
  const std::string& tmpPath() const { return tmpPath_; }
  const std::string& workPath() const { return workPath_; }
  std::string taskState() const;
  // Raised by the end event; downloadFile waits on it.
  platform::EndSignal& endSignal() { return ended_; }

 private:
  void takeAddresses(const std::string& url);
  bool resumeFromDisk(platform::Files& files, bool& refused);
  // The recorded address is one of this download's addresses.
  bool namesResource(const Url& recorded) const;

  TaskParameters params_;
  std::shared_ptr<TransferControl> control_ = std::make_shared<TransferControl>();
  DownloadEngine engineTask_;
  mutable std::mutex stateLock_;  // taskState_ and the state file, between the timer and the end event
  std::string taskState_;
  std::atomic<int32_t> totalSize_{0};
  std::atomic<int64_t> resumedBytes_{0};
  std::atomic<int64_t> learnedSize_{0};
  std::atomic<int64_t> bytesAtEnd_{0};
  int64_t nextExpectedSize_ = 0;
  std::string tmpPath_;
  std::string workPath_;
  std::function<std::string(const TaskState&)> encodeRecord_;  // set for a seeded download
  std::atomic<int32_t> state_{0};
  platform::EndSignal ended_;
};

}  // namespace download
