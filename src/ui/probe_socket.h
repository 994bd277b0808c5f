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
// connect nor the wait for the server's first bytes ever holds the caller. Only the newest
// connection may report: connect and disconnect retire every earlier one, and once they
// return, nothing of an earlier connection is delivered any more.
class ProbeSocket : public SocketDriver {
 public:
  using Deliver = std::function<void(const std::string& bytes)>;
  using Factory = std::function<std::unique_ptr<platform::ProbeConnection>()>;

  explicit ProbeSocket(Deliver deliver, Factory factory = platform::makeProbeConnection);
  ~ProbeSocket() override;
  ProbeSocket(const ProbeSocket&) = delete;
  ProbeSocket& operator=(const ProbeSocket&) = delete;

  void connect(const std::string& host, int port) override;
  void disconnect() override;

 private:
  struct Attempt {
    std::shared_ptr<platform::ProbeConnection> connection;
    std::shared_ptr<bool> finished;  // guarded by mutex_
    std::thread thread;
  };
  void retireLocked();
  void reapLocked();
  void runAttempt(std::shared_ptr<platform::ProbeConnection> connection, std::shared_ptr<bool> finished,
                  uint64_t generation, std::string host, int port);

  Deliver deliver_;
  Factory factory_;
  std::mutex mutex_;
  uint64_t generation_ = 0;
  std::vector<Attempt> attempts_;
};

}  // namespace ui
