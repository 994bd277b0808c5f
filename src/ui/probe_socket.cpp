#include "ui/probe_socket.h"

namespace ui {

ProbeSocket::ProbeSocket(Deliver deliver, Factory factory)
    : deliver_(std::move(deliver)), factory_(std::move(factory)) {}

ProbeSocket::~ProbeSocket() {
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
  a.finished = std::make_shared<bool>(false);
  a.thread = std::thread(&ProbeSocket::runAttempt, this, a.connection, a.finished, generation_, host, port);
  attempts_.push_back(std::move(a));
}

void ProbeSocket::disconnect() {
  std::lock_guard lock(mutex_);
  retireLocked();
  reapLocked();
}

// Every running attempt stops counting; their threads end on their own and are joined later.
void ProbeSocket::retireLocked() {
  ++generation_;
  for (Attempt& a : attempts_) a.connection->cancel();
}

void ProbeSocket::reapLocked() {
  for (auto it = attempts_.begin(); it != attempts_.end();) {
    if (*it->finished) {
      it->thread.join();
      it = attempts_.erase(it);
    } else {
      ++it;
    }
  }
}

void ProbeSocket::runAttempt(std::shared_ptr<platform::ProbeConnection> connection, std::shared_ptr<bool> finished,
                             uint64_t generation, std::string host, int port) {
  std::string bytes = connection->run(host, port);
  std::lock_guard lock(mutex_);
  // Delivering under the lock is what lets connect and disconnect promise that no earlier
  // connection reports after they return.
  if (!bytes.empty() && generation == generation_) deliver_(bytes);
  *finished = true;
}

}  // namespace ui
