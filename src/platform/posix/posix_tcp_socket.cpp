#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>

#include "platform/posix/address_lookup.h"
#include "platform/posix/unique_fd.h"
#include "platform/tcp_socket.h"

namespace platform {

struct TcpSocket::Native {
  posix::UniqueFd fd;
};

namespace {

using posix::AddressList;
using posix::lookUpWithin;

constexpr int kStopCheckMs = 100;

using Clock = std::chrono::steady_clock;

// Waits until the socket is ready for `events`, the deadline passes or the stop flag is raised.
SocketStatus waitReady(int fd, short events, Clock::time_point deadline, const std::atomic<bool>& stop) {
  for (;;) {
    if (stop.load(std::memory_order_relaxed)) return SocketStatus::stopped;
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return SocketStatus::timedOut;
    pollfd p{fd, events, 0};
    int n = ::poll(&p, 1, static_cast<int>(std::min<long long>(left, kStopCheckMs)));
    if (n > 0) return SocketStatus::ok;
    if (n < 0 && errno != EINTR) return SocketStatus::failed;
  }
}

Clock::time_point deadlineAfter(int timeoutMs) { return Clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0)); }

SocketStatus connectOne(posix::UniqueFd& out, const addrinfo* ai, Clock::time_point deadline,
                        const std::atomic<bool>& stop, int receiveBuffer) {
  posix::UniqueFd fd(::socket(ai->ai_family, ai->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, ai->ai_protocol));
  if (!fd) return SocketStatus::failed;
  // Before the connect: the window the server is offered is decided by then.
  if (receiveBuffer > 0) ::setsockopt(fd.get(), SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
  if (::connect(fd.get(), ai->ai_addr, ai->ai_addrlen) != 0) {
    if (errno != EINPROGRESS) return SocketStatus::failed;
    SocketStatus s = waitReady(fd.get(), POLLOUT, deadline, stop);
    if (s != SocketStatus::ok) return s;
    int error = 0;
    socklen_t len = sizeof error;
    if (::getsockopt(fd.get(), SOL_SOCKET, SO_ERROR, &error, &len) != 0 || error != 0) return SocketStatus::failed;
  }
  int one = 1;
  ::setsockopt(fd.get(), IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  out = std::move(fd);
  return SocketStatus::ok;
}

}  // namespace

TcpSocket::TcpSocket() : native_(std::make_unique<Native>()) {}
TcpSocket::~TcpSocket() = default;
TcpSocket::TcpSocket(TcpSocket&&) noexcept = default;
TcpSocket& TcpSocket::operator=(TcpSocket&&) noexcept = default;

SocketStatus TcpSocket::connect(const std::string& host, int port, int timeoutMs, const std::atomic<bool>& stop) {
  close();
  Clock::time_point deadline = deadlineAfter(timeoutMs);
  std::optional<AddressList> found = lookUpWithin(host, std::to_string(port), AF_UNSPEC, timeoutMs, stop);
  if (!found) return stop.load() ? SocketStatus::stopped : SocketStatus::timedOut;
  if (!*found) return SocketStatus::resolveFailed;
  SocketStatus status = SocketStatus::failed;
  for (const addrinfo* ai = found->get(); ai != nullptr; ai = ai->ai_next) {
    status = connectOne(native_->fd, ai, deadline, stop, receiveBuffer_);
    if (status == SocketStatus::ok || status == SocketStatus::stopped || status == SocketStatus::timedOut) break;
  }
  return status;
}

SocketStatus TcpSocket::sendAll(const char* data, size_t size, int timeoutMs, const std::atomic<bool>& stop) {
  if (!native_->fd) return SocketStatus::failed;
  Clock::time_point deadline = deadlineAfter(timeoutMs);
  while (size > 0) {
    ssize_t n = ::send(native_->fd.get(), data, size, MSG_NOSIGNAL);
    if (n > 0) {
      data += n;
      size -= static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      SocketStatus s = waitReady(native_->fd.get(), POLLOUT, deadline, stop);
      if (s != SocketStatus::ok) return s;
      continue;
    }
    return SocketStatus::failed;
  }
  return SocketStatus::ok;
}

SocketStatus TcpSocket::receive(char* data, size_t maxBytes, size_t& received, int timeoutMs,
                                const std::atomic<bool>& stop) {
  received = 0;
  if (!native_->fd || maxBytes == 0) return SocketStatus::failed;
  Clock::time_point deadline{};
  bool waited = false;
  for (;;) {
    ssize_t n = ::recv(native_->fd.get(), data, maxBytes, 0);
    if (n > 0) {
      received = static_cast<size_t>(n);
      return SocketStatus::ok;
    }
    if (n == 0) return SocketStatus::closed;
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) return SocketStatus::failed;
    if (!waited) deadline = deadlineAfter(timeoutMs);
    waited = true;
    SocketStatus s = waitReady(native_->fd.get(), POLLIN, deadline, stop);
    if (s != SocketStatus::ok) return s;
  }
}

void TcpSocket::close() { native_->fd.reset(); }

bool TcpSocket::isOpen() const { return static_cast<bool>(native_->fd); }

}  // namespace platform
