#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>

#include <atomic>
#include <cerrno>
#include <chrono>

#include "platform/posix/address_lookup.h"
#include "platform/posix/host_text.h"
#include "platform/posix/unique_fd.h"
#include "platform/probe_connection.h"

namespace platform {

namespace {

using posix::AddressList;
using posix::lookUpWithin;
using posix::UniqueFd;

class PosixProbeConnection : public ProbeConnection {
 public:
  PosixProbeConnection() : wake_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

  bool waitForData(const std::string& host, int port) override {
    socket_ = connectTo(host, port);
    if (!socket_ || !waitFor(socket_.get(), POLLIN, -1)) return false;
    // Readable also means closed; only a byte that is really there counts as an arrival.
    char first;
    for (;;) {
      ssize_t n = ::recv(socket_.get(), &first, 1, MSG_PEEK | MSG_DONTWAIT);
      if (n < 0 && errno == EINTR) continue;
      return n > 0;
    }
  }

  std::string takeAvailable() override {
    std::string bytes;
    if (!socket_) return bytes;
    char buffer[4096];
    while (bytes.size() < kProbeTakeLimit) {
      ssize_t n = ::recv(socket_.get(), buffer, sizeof buffer, MSG_DONTWAIT);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      bytes.append(buffer, static_cast<size_t>(n));
    }
    return bytes;
  }

  void cancel() override {
    cancelled_ = true;
    uint64_t one = 1;
    [[maybe_unused]] ssize_t n = ::write(wake_.get(), &one, sizeof one);
  }

 private:
  UniqueFd connectTo(const std::string& host, int port) {
    std::string name = posix::convert(host, "GBK", "UTF-8");
    std::optional<AddressList> found =
        lookUpWithin(name, std::to_string(port), AF_INET, kProbeConnectTimeoutMs, cancelled_);
    if (!found || !*found || cancelled_) return {};
    sockaddr_in address = *reinterpret_cast<sockaddr_in*>(found->get()->ai_addr);
    UniqueFd s(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!s) return {};
    if (::connect(s.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
      if (errno != EINPROGRESS) return {};
      if (!waitFor(s.get(), POLLOUT, kProbeConnectTimeoutMs)) return {};
      int error = 0;
      socklen_t length = sizeof error;
      if (::getsockopt(s.get(), SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error != 0) return {};
    }
    return s;
  }

  // Waits until the socket is ready for `events`; false on cancel, time-out or error.
  bool waitFor(int fd, short events, int timeoutMs) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
      if (cancelled_) return false;
      int wait = -1;
      if (timeoutMs >= 0) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        wait = static_cast<int>(left.count());
      }
      pollfd fds[2] = {{fd, events, 0}, {wake_.get(), POLLIN, 0}};
      int n = ::poll(fds, 2, wait);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 || fds[1].revents) return false;
      // Errors and hang-ups count as ready too: the following recv or SO_ERROR tells them apart.
      if (fds[0].revents) return true;
    }
  }

  UniqueFd wake_;
  UniqueFd socket_;
  std::atomic<bool> cancelled_{false};
};

}  // namespace

std::unique_ptr<ProbeConnection> makeProbeConnection() { return std::make_unique<PosixProbeConnection>(); }

}  // namespace platform
