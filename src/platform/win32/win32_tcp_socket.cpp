#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <chrono>
#include <utility>

#include "platform/tcp_socket.h"
#include "platform/win32/address_lookup.h"
#include "platform/win32/winsock.h"

namespace platform {

namespace {

constexpr int kStopCheckMs = 100;

using Clock = std::chrono::steady_clock;

class SocketHandle {
 public:
  SocketHandle() = default;
  explicit SocketHandle(SOCKET s) : s_(s) {}
  SocketHandle(SocketHandle&& o) noexcept : s_(std::exchange(o.s_, INVALID_SOCKET)) {}
  SocketHandle& operator=(SocketHandle&& o) noexcept {
    if (this != &o) reset(std::exchange(o.s_, INVALID_SOCKET));
    return *this;
  }
  ~SocketHandle() { reset(); }
  SOCKET get() const { return s_; }
  explicit operator bool() const { return s_ != INVALID_SOCKET; }
  void reset(SOCKET s = INVALID_SOCKET) {
    if (s_ != INVALID_SOCKET) closesocket(s_);
    s_ = s;
  }

 private:
  SOCKET s_ = INVALID_SOCKET;
};

SocketStatus waitReady(SOCKET s, bool forWrite, Clock::time_point deadline, const std::atomic<bool>& stop) {
  for (;;) {
    if (stop.load(std::memory_order_relaxed)) return SocketStatus::stopped;
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return SocketStatus::timedOut;
    WSAPOLLFD p{};
    p.fd = s;
    p.events = forWrite ? POLLWRNORM : POLLRDNORM;
    int n = WSAPoll(&p, 1, static_cast<INT>(std::min<long long>(left, kStopCheckMs)));
    if (n > 0) {
      // A failed connect shows as an error or hang-up rather than writability.
      if (forWrite && (p.revents & (POLLERR | POLLHUP)) != 0) return SocketStatus::failed;
      return SocketStatus::ok;
    }
    if (n < 0) return SocketStatus::failed;
  }
}

Clock::time_point deadlineAfter(int timeoutMs) { return Clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0)); }

SocketStatus connectOne(SocketHandle& out, const ADDRINFOW* ai, Clock::time_point deadline,
                        const std::atomic<bool>& stop, int receiveBuffer) {
  SocketHandle s(::socket(ai->ai_family, ai->ai_socktype, ai->ai_protocol));
  if (!s) return SocketStatus::failed;
  // Before the connect: the window the server is offered is decided by then.
  if (receiveBuffer > 0)
    setsockopt(s.get(), SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&receiveBuffer), sizeof receiveBuffer);
  u_long nonBlocking = 1;
  ioctlsocket(s.get(), FIONBIO, &nonBlocking);
  if (::connect(s.get(), ai->ai_addr, static_cast<int>(ai->ai_addrlen)) != 0) {
    if (WSAGetLastError() != WSAEWOULDBLOCK) return SocketStatus::failed;
    SocketStatus status = waitReady(s.get(), true, deadline, stop);
    if (status != SocketStatus::ok) return status;
    int error = 0;
    int len = sizeof error;
    if (getsockopt(s.get(), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &len) != 0 || error != 0) {
      return SocketStatus::failed;
    }
  }
  BOOL one = TRUE;
  setsockopt(s.get(), IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&one), sizeof one);
  out = std::move(s);
  return SocketStatus::ok;
}

}  // namespace

struct TcpSocket::Native {
  SocketHandle socket;
};

TcpSocket::TcpSocket() : native_(std::make_unique<Native>()) {}
TcpSocket::~TcpSocket() = default;
TcpSocket::TcpSocket(TcpSocket&&) noexcept = default;
TcpSocket& TcpSocket::operator=(TcpSocket&&) noexcept = default;

SocketStatus TcpSocket::connect(const std::string& host, int port, int timeoutMs, const std::atomic<bool>& stop) {
  win32::startWinsock();
  close();
  Clock::time_point deadline = deadlineAfter(timeoutMs);
  std::optional<win32::AddressList> found = win32::lookUpWithin(host, port, AF_UNSPEC, timeoutMs, stop);
  if (!found) return stop.load() ? SocketStatus::stopped : SocketStatus::timedOut;
  if (!*found) return SocketStatus::resolveFailed;
  SocketStatus status = SocketStatus::failed;
  for (const ADDRINFOW* ai = found->get(); ai != nullptr; ai = ai->ai_next) {
    status = connectOne(native_->socket, ai, deadline, stop, receiveBuffer_);
    if (status == SocketStatus::ok || status == SocketStatus::stopped || status == SocketStatus::timedOut) break;
  }
  return status;
}

SocketStatus TcpSocket::sendAll(const char* data, size_t size, int timeoutMs, const std::atomic<bool>& stop) {
  if (!native_->socket) return SocketStatus::failed;
  Clock::time_point deadline = deadlineAfter(timeoutMs);
  while (size > 0) {
    int chunk = static_cast<int>(std::min<size_t>(size, 1 << 20));
    int n = ::send(native_->socket.get(), data, chunk, 0);
    if (n > 0) {
      data += n;
      size -= static_cast<size_t>(n);
      continue;
    }
    if (n == SOCKET_ERROR && WSAGetLastError() == WSAEWOULDBLOCK) {
      SocketStatus s = waitReady(native_->socket.get(), true, deadline, stop);
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
  if (!native_->socket || maxBytes == 0) return SocketStatus::failed;
  int ask = static_cast<int>(std::min<size_t>(maxBytes, 1 << 30));
  Clock::time_point deadline{};
  bool waited = false;
  for (;;) {
    int n = ::recv(native_->socket.get(), data, ask, 0);
    if (n > 0) {
      received = static_cast<size_t>(n);
      return SocketStatus::ok;
    }
    if (n == 0) return SocketStatus::closed;
    if (WSAGetLastError() != WSAEWOULDBLOCK) return SocketStatus::failed;
    if (!waited) deadline = deadlineAfter(timeoutMs);
    waited = true;
    SocketStatus s = waitReady(native_->socket.get(), false, deadline, stop);
    if (s != SocketStatus::ok) return s;
  }
}

void TcpSocket::close() { native_->socket.reset(); }

bool TcpSocket::isOpen() const { return static_cast<bool>(native_->socket); }

}  // namespace platform
