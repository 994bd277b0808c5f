#pragma once
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "download/segment_table.h"
#include "download/source_set.h"
#include "download/task_parameters.h"
#include "download/task_state_blob.h"
#include "download/url.h"
#include "platform/mapped_file.h"
#include "platform/proxy.h"
#include "platform/stream.h"
#include "support/support_log.h"

namespace download {

// Waits and limits of the engine; tests shorten them.
struct EngineRules {
  int waitMs = 5000;  // between tries of one connection
  int maxRetries = 999;
  int maxRedirects = 10;
  // Connections of a large file start this far apart. A server that paces every connection
  // with its own timer (nginx's limit_rate, for one) serves connections that started
  // together in one burst, and each connection's pause then also waits for the others'
  // sends; started apart, each is served on its own. Timers that drift into one another stay
  // together, so the wider the gaps the longer the connections stay apart: measured against
  // nginx, 20 ms finished 1 GiB about 3 % sooner than 10 ms. Small files start all at once,
  // where the delay would cost more than it saves.
  int launchSpacingMs = 20;
  int64_t spacedFromBytes = int64_t{32} << 20;
  // The proxy for one server (https?, host, port): the system's settings, or a test's.
  std::function<platform::ProxyServer(bool, const std::string&, int)> proxyFor = platform::systemProxyFor;
};

// One running download: a control thread that starts and collects connection threads,
// each fetching one segment into the mapped file. Counters and the table are guarded by
// one lock.
class EngineTask {
 public:
  EngineTask(TaskParameters params, EngineRules rules, int32_t id);
  ~EngineTask();
  EngineTask(const EngineTask&) = delete;
  EngineTask& operator=(const EngineTask&) = delete;

  // Fresh: false when the address cannot be used. Resumed: the table, address and size
  // come from the state; false when the local file does not match it. Neither runs
  // anything yet: see run().
  bool prepareFresh();
  bool prepareResumed(const TaskState& state);
  // Starts the control thread. Called once the engine holds the task, because a resumed
  // file that is already whole ends at once, and the end event reads the task through
  // the engine.
  void run();

  void requestStop();
  void join();
  // The end event has been sent and the file closed.
  bool ended() const { return ended_.load(); }
  // The end event is under way: the task only finishes, whoever it released may start anew.
  bool ending() const { return ending_.load(); }

  TaskState snapshot() const;
  int32_t takeSpeedSample();
  int32_t receivedBytes() const;
  bool complete() const;
  // A resumed task found the server's file at another size than the one it had begun.
  bool remoteChanged() const;
  // The cause the task gave up for, when the player can act on it.
  DownloadFailure failure() const;
  // The size the server's first answer gave the file, taken or not; -1 before it came.
  int64_t offeredSize() const;
  const std::string& fileName() const { return params_.localFile; }
  // Why a ranges-only task gave up before its file was whole; empty when it did not.
  std::string abandonedFor() const;

 private:
  // again: the answer ended where it said it would before the segment was complete; the
  // rest is asked for at once. differs: the source serves another version of the file.
  // certificateRefused, proxyRefused, proxyInvalid: the source cannot be reached safely or at
  // all; sizeRefused: it serves a file of another size than the expected one. Asking it again
  // would bring the same refusal. corrupt: bytes failed the task's stored check. paused: the
  // downloads have been paused long enough to close the connection; it asks again on resume.
  enum class Outcome {
    done, again, failed, gaveUp, differs, stopped, certificateRefused, proxyRefused, proxyInvalid, sizeRefused,
    corrupt, paused
  };
  static bool isRefusal(Outcome outcome);
  // One try of a connection on a source. `answer`: -1 while the server is not reached, 0 once
  // it is, then the status of the answer's head.
  struct Attempt {
    int id;
    int source;
    int answer = -1;
  };
  // Why a try failed, for the support log.
  static std::string failureText(Outcome outcome, int answer);

  // Control thread.
  void control();
  void launch(int segment);
  bool launchQueued() const;
  bool mayLaunch() const;
  void addMirrors();
  std::chrono::steady_clock::time_point nextLaunchAt() const;
  void launchDue();
  bool anyFinished() const;
  void collectEnded(std::unique_lock<std::mutex>& lock);

  // Connection threads (engine_connection.cpp).
  void connectionMain(int id, int segment, int source);
  bool moveToAnotherSource(int& source, const std::string& why);
  Outcome fetchOnce(Attempt& attempt, int& segment);
  Outcome exchange(platform::Stream& socket, Url& url, const std::string& referer, Attempt& attempt, int& segment,
                   int& redirects, bool absoluteTarget);
  Outcome receiveHead(platform::Stream& socket, std::string& pending, struct ResponseHead& head);
  Outcome acceptHead(const struct ResponseHead& head, int id, int& segment, int64_t& answerEnd);
  Outcome acceptFirst(const struct ResponseHead& head, int id, int& segment, int64_t& answerEnd);
  Outcome refuse(int status, bool remoteChanged);
  // How a connection reaches its server (engine_route.cpp).
  Outcome reach(platform::Stream& socket, const Url& url, bool& absoluteTarget);
  int receiveBufferFor() const;
  platform::ProxyServer proxyFor(const Url& url);
  Outcome tunnel(platform::Stream& socket, const Url& url);
  Outcome secure(platform::Stream& socket, const Url& url);
  Outcome refused(Outcome refusal, const std::string& text);
  void endForRefusal(Outcome refusal);
  Outcome sendRequest(platform::Stream& socket, const std::string& request);
  static std::string proxyRefusal(int status);
  Outcome claimFile(int64_t size, const std::string& validator, int id, int& segment);
  Outcome receiveBody(platform::Stream& socket, int source, int segment, const struct ResponseHead& head,
                      int64_t answerEnd, const std::string& pending);
  Outcome receiveChecked(platform::Stream& socket, int source, int segment, const struct ResponseHead& head,
                         int64_t answerEnd, const std::string& pending, StoredCheck* check);
  void keepChecked(int segment, int64_t checkedEnd);
  void abandon(const std::string& why);
  bool store(int source, int segment, int64_t at, const char* bytes, size_t count);
  void announceCompleteResume();
  bool waitOrStop(int milliseconds);
  Outcome awaitBudget(int64_t& ask);
  bool waitWhilePaused();
  bool limited() const;
  int64_t receiveAsk(int64_t missing) const;
  void say(int level, const std::string& text) const;
  // The support log's story of the sources (engine_story.cpp).
  void note(const std::string& line) const;
  std::string sourceAddress(int source) const;  // called under the lock
  void noteFailure(int source, const std::string& why);
  void noteSources();
  void event(int32_t code, int32_t a, int32_t b) const;

  TaskParameters params_;
  EngineRules rules_;
  int32_t id_;
  Url url_;
  std::string referer_;
  std::string validator_;  // the file version the first answer named, sent as If-Range

  mutable std::mutex lock_;
  std::condition_variable wake_;
  SegmentTable table_;
  SourceSet sources_;  // url_ first, then the alternates of TaskParameters::mirrors
  int64_t fileSize_ = -1;
  int64_t offeredSize_ = -1;
  int64_t received_ = 0;
  int64_t speedCounter_ = 0;
  bool sizeAnnounced_ = false;
  bool fileFailed_ = false;
  bool remoteChanged_ = false;
  std::string abandonedFor_;
  // A source served another version of the file and was left for the others: should the
  // download still fail, that version is what can be reached, so the file counts as replaced.
  bool sourceDiffered_ = false;
  DownloadFailure failure_ = DownloadFailure::none;
  support::RepeatedFailures failures_;  // tries that failed and are tried again
  std::map<std::string, platform::ProxyServer> proxies_;  // by "scheme host port", asked once per task
  int wantedConnections_ = 0;
  int running_ = 0;
  int nextConnectionId_ = 1;
  struct Worker {
    int id;
    std::thread thread;
    bool finished = false;
  };
  std::vector<Worker> workers_;
  std::vector<int> pendingSegments_;  // segments a resumed task has yet to start
  std::chrono::steady_clock::time_point lastLaunch_{};

  platform::MappedFile file_;
  std::atomic<bool> stop_{false};
  // The short first range of a limited download was refused (an empty file has no byte 0):
  // the size is then asked for without a range.
  std::atomic<bool> shortFirstRefused_{false};
  std::atomic<bool> ending_{false};
  std::atomic<bool> ended_{false};
  std::thread control_;
};

}  // namespace download
