#pragma once
#include <atomic>
#include <cstddef>
#include <optional>
#include <string>

#include "platform/tcp_socket.h"
#include "platform/tls.h"

namespace platform {

// One client connection, plain or with TLS on top once secure() has succeeded; reads and
// writes go through whichever applies.
class Stream {
 public:
  SocketStatus connect(const std::string& host, int port, int timeoutMs, const std::atomic<bool>& stop,
                       int receiveBuffer = 0) {
    tls_.reset();
    socket_.setReceiveBuffer(receiveBuffer);
    return socket_.connect(host, port, timeoutMs, stop);
  }
  TlsStatus secure(const std::string& hostName, int timeoutMs, const std::atomic<bool>& stop);
  SocketStatus sendAll(const char* data, size_t size, int timeoutMs, const std::atomic<bool>& stop);
  SocketStatus sendAll(const std::string& data, int timeoutMs, const std::atomic<bool>& stop) {
    return sendAll(data.data(), data.size(), timeoutMs, stop);
  }
  SocketStatus receive(char* data, size_t maxBytes, size_t& received, int timeoutMs, const std::atomic<bool>& stop);
  bool secured() const { return tls_.has_value(); }

 private:
  TcpSocket socket_;
  std::optional<TlsSession> tls_;  // declared after the socket it borrows, so it goes first
};

}  // namespace platform
