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
  Socket() : s_(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP)) {}
  ~Socket() {
    if (s_ != INVALID_SOCKET) closesocket(s_);
  }
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;
  SOCKET get() const { return s_; }

 private:
  SOCKET s_;
};

class Win32ProbeConnection : public ProbeConnection {
 public:
  Win32ProbeConnection() : cancel_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

  std::string run(const std::string& host, int port) override {
    win32::startWinsock();
    sockaddr_in address{};
    if (!resolve(host, port, address) || cancelled_) return {};
    Socket s;
    UniqueHandle ready(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (s.get() == INVALID_SOCKET || !ready || !cancel_) return {};
    // Event selection also makes the socket non-blocking.
    if (WSAEventSelect(s.get(), ready.get(), FD_CONNECT | FD_READ | FD_CLOSE) != 0) return {};
    if (::connect(s.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 &&
        WSAGetLastError() != WSAEWOULDBLOCK)
      return {};
    WSANETWORKEVENTS events{};
    if (!waitFor(s.get(), ready.get(), FD_CONNECT_BIT, kProbeConnectTimeoutMs, events)) return {};
    if (events.iErrorCode[FD_CONNECT_BIT] != 0) return {};
    if (!(events.lNetworkEvents & (FD_READ | FD_CLOSE)) && !waitFor(s.get(), ready.get(), -1, INFINITE, events))
      return {};
    char buffer[4096];
    int n = recv(s.get(), buffer, sizeof buffer, 0);
    return n > 0 ? std::string(buffer, static_cast<size_t>(n)) : std::string();
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
  bool waitFor(SOCKET s, HANDLE ready, int bit, DWORD timeoutMs, WSANETWORKEVENTS& events) {
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
  std::atomic<bool> cancelled_{false};
};

}  // namespace

std::unique_ptr<ProbeConnection> makeProbeConnection() { return std::make_unique<Win32ProbeConnection>(); }

}  // namespace platform
