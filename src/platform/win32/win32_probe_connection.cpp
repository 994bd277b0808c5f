#include <winsock2.h>
#include <ws2tcpip.h>

#include <atomic>
#include <utility>

#include "platform/probe_connection.h"
#include "platform/win32/address_lookup.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/winsock.h"

namespace platform {

namespace {

using win32::UniqueHandle;

class Socket {
 public:
  Socket() = default;
  ~Socket() {
    if (s_ != INVALID_SOCKET) closesocket(s_);
  }
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;
  // Only once Winsock has started.
  void open() { s_ = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP); }
  SOCKET get() const { return s_; }

 private:
  SOCKET s_ = INVALID_SOCKET;
};

class Win32ProbeConnection : public ProbeConnection {
 public:
  Win32ProbeConnection() : cancel_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

  bool waitForData(const std::string& host, int port) override {
    win32::startWinsock();
    sockaddr_in address{};
    if (!resolve(host, port, address) || cancelled_) return false;
    socket_.open();
    SOCKET s = socket_.get();
    if (s == INVALID_SOCKET || !ready_ || !cancel_) return false;
    // Event selection also makes the socket non-blocking.
    if (WSAEventSelect(s, ready_.get(), FD_CONNECT | FD_READ | FD_CLOSE) != 0) return false;
    if (::connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 && WSAGetLastError() != WSAEWOULDBLOCK)
      return false;
    WSANETWORKEVENTS events{};
    if (!waitFor(s, FD_CONNECT_BIT, kProbeConnectTimeoutMs, events)) return false;
    if (events.iErrorCode[FD_CONNECT_BIT] != 0) return false;
    if (!(events.lNetworkEvents & (FD_READ | FD_CLOSE)) && !waitFor(s, -1, INFINITE, events)) return false;
    // A close also wakes the wait; only a byte that is really there counts as an arrival.
    char first;
    return recv(s, &first, 1, MSG_PEEK) > 0;
  }

  std::string takeAvailable() override {
    std::string bytes;
    char buffer[4096];
    while (bytes.size() < kProbeTakeLimit) {
      int n = recv(socket_.get(), buffer, sizeof buffer, 0);
      if (n <= 0) break;  // WSAEWOULDBLOCK: nothing more has arrived
      bytes.append(buffer, static_cast<size_t>(n));
    }
    return bytes;
  }

  void cancel() override {
    cancelled_ = true;
    if (cancel_) SetEvent(cancel_.get());
  }

 private:
  bool resolve(const std::string& host, int port, sockaddr_in& address) {
    std::optional<win32::AddressList> found =
        win32::lookUpWithin(host, port, AF_INET, kProbeConnectTimeoutMs, cancelled_);
    if (!found || !*found) return false;
    address = *reinterpret_cast<sockaddr_in*>(found->get()->ai_addr);
    return true;
  }

  // Waits until the socket reports `bit` (or, with -1, reading or closing); false on cancel,
  // time-out or error. Events that arrive together are kept in `events`.
  bool waitFor(SOCKET s, int bit, DWORD timeoutMs, WSANETWORKEVENTS& events) {
    HANDLE ready = ready_.get();
    for (;;) {
      HANDLE handles[] = {cancel_.get(), ready};
      DWORD r = WaitForMultipleObjects(2, handles, FALSE, timeoutMs);
      if (r != WAIT_OBJECT_0 + 1 || cancelled_) return false;
      WSANETWORKEVENTS now{};
      if (WSAEnumNetworkEvents(s, ready, &now) != 0) return false;
      events.lNetworkEvents |= now.lNetworkEvents;
      for (int i = 0; i < FD_MAX_EVENTS; ++i)
        if (now.lNetworkEvents & (1 << i)) events.iErrorCode[i] = now.iErrorCode[i];
      long wanted = bit < 0 ? (FD_READ | FD_CLOSE) : (1L << bit);
      if (events.lNetworkEvents & wanted) return true;
    }
  }

  UniqueHandle cancel_;
  UniqueHandle ready_{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  Socket socket_;
  std::atomic<bool> cancelled_{false};
};

}  // namespace

std::unique_ptr<ProbeConnection> makeProbeConnection() { return std::make_unique<Win32ProbeConnection>(); }

}  // namespace platform
