#include "ui/probe_socket.h"

namespace ui {

ProbeSocket::ProbeSocket(Arrived arrived, Factory factory)
    : arrived_(std::move(arrived)), factory_(std::move(factory)) {}

ProbeSocket::~ProbeSocket() { close(); }

void ProbeSocket::close() {
  std::vector<Attempt> attempts;
  {
    std::lock_guard lock(mutex_);
    retireLocked();
    attempts.swap(attempts_);
  }
  for (Attempt& a : attempts)
    if (a.thread.joinable()) a.thread.join();
}

void ProbeSocket::connect(const std::string& host, int port) {
  std::lock_guard lock(mutex_);
  retireLocked();
  reapLocked();
  if (host.empty() || port < 1 || port > 65535) return;
  Attempt a;
  a.connection = factory_();
  if (!a.connection) return;
  a.progress = std::make_shared<Progress>();
  a.generation = generation_;
  a.thread = std::thread(&ProbeSocket::runAttempt, this, a.connection, a.progress, generation_, host, port);
  attempts_.push_back(std::move(a));
}

void ProbeSocket::disconnect() {
  std::lock_guard lock(mutex_);
  retireLocked();
  reapLocked();
}

std::string ProbeSocket::take() {
  std::lock_guard lock(mutex_);
  if (attempts_.empty()) return {};
  Attempt& newest = attempts_.back();
  // Reading only after the arrival was reported keeps the attempt's thread and this one from
  // ever using the socket at the same time.
  if (newest.generation != generation_ || !newest.progress->arrived) return {};
  return newest.connection->takeAvailable();
}

// Every running attempt stops counting; their threads end on their own and are joined later.
// A retired connection stays open until it is reaped, which closes it.
void ProbeSocket::retireLocked() {
  ++generation_;
  for (Attempt& a : attempts_) a.connection->cancel();
}

void ProbeSocket::reapLocked() {
  for (auto it = attempts_.begin(); it != attempts_.end();) {
    if (it->progress->finished) {
      it->thread.join();
      it = attempts_.erase(it);
    } else {
      ++it;
    }
  }
}

void ProbeSocket::runAttempt(std::shared_ptr<platform::ProbeConnection> connection, std::shared_ptr<Progress> progress,
                             uint64_t generation, std::string host, int port) {
  bool waiting = connection->waitForData(host, port);
  std::lock_guard lock(mutex_);
  // Reporting under the lock is what lets connect and disconnect promise that no earlier
  // connection reports after they return.
  if (waiting && generation == generation_) {
    progress->arrived = true;
    arrived_();
  }
  progress->finished = true;
}

}  // namespace ui
