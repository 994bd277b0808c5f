#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/probe_connection.h"
#include "ui/backend.h"

namespace ui {

// The client socket component: each connect runs on a thread of its own, so neither the
// connect nor the wait for the server's first bytes ever holds the caller. The thread only
// reports that bytes are waiting; they are read when take() is called, so the taker sees
// everything that arrived until then. Only the newest connection may report or be taken
// from: connect and disconnect retire every earlier one, and once they return, nothing of
// an earlier connection is reported any more.
class ProbeSocket : public SocketDriver {
 public:
  using Arrived = std::function<void()>;
  using Factory = std::function<std::unique_ptr<platform::ProbeConnection>()>;

  explicit ProbeSocket(Arrived arrived, Factory factory = platform::makeProbeConnection);
  ~ProbeSocket() override;
  ProbeSocket(const ProbeSocket&) = delete;
  ProbeSocket& operator=(const ProbeSocket&) = delete;

  void connect(const std::string& host, int port) override;
  void disconnect() override;
  std::string take() override;
  // Retires every connection and waits for their threads; the end of the program calls it,
  // as the process ends without running this object's destructor.
  void close();

 private:
  struct Progress {
    bool arrived = false;   // guarded by mutex_
    bool finished = false;  // guarded by mutex_
  };
  struct Attempt {
    std::shared_ptr<platform::ProbeConnection> connection;
    std::shared_ptr<Progress> progress;
    uint64_t generation = 0;
    std::thread thread;
  };
  void retireLocked();
  void reapLocked();
  void runAttempt(std::shared_ptr<platform::ProbeConnection> connection, std::shared_ptr<Progress> progress,
                  uint64_t generation, std::string host, int port);

  Arrived arrived_;
  Factory factory_;
  std::mutex mutex_;
  uint64_t generation_ = 0;
  std::vector<Attempt> attempts_;
};

}  // namespace ui
