#pragma once
#include <atomic>
#include <cstddef>
#include <memory>
#include <string>

namespace platform {

// How one socket operation ended.
enum class SocketStatus {
  ok,
  resolveFailed,  // the host name has no address
  failed,         // refused, reset or any other error of the system
  timedOut,       // the time-out passed without progress
  closed,         // the peer closed its side (receive only)
  stopped,        // the stop flag was raised while waiting
};

// A blocking-style TCP client connection with a time-out on every wait. Each wait also
// watches a stop flag (checked at least every 100 ms), so another thread can end it early.
class TcpSocket {
 public:
  TcpSocket();
  ~TcpSocket();
  TcpSocket(TcpSocket&&) noexcept;
  TcpSocket& operator=(TcpSocket&&) noexcept;
  TcpSocket(const TcpSocket&) = delete;
  TcpSocket& operator=(const TcpSocket&) = delete;

  // Resolves `host` (a name or a dotted address) and connects to `port` within timeoutMs.
  SocketStatus connect(const std::string& host, int port, int timeoutMs, const std::atomic<bool>& stop);
  // The system's receive buffer for the next connect (0: the system's own, which grows to
  // megabytes). A download read slowly on purpose keeps it small, so that the server does not
  // send far ahead of what is read.
  void setReceiveBuffer(int bytes) { receiveBuffer_ = bytes; }
  // Sends every byte; timeoutMs bounds the whole send.
  SocketStatus sendAll(const char* data, size_t size, int timeoutMs, const std::atomic<bool>& stop);
  // Receives between 1 and maxBytes bytes into data; `received` holds the count on ok.
  // timeoutMs bounds the wait for the first byte.
  SocketStatus receive(char* data, size_t maxBytes, size_t& received, int timeoutMs,
                       const std::atomic<bool>& stop);
  void close();
  bool isOpen() const;

 private:
  struct Native;
  std::unique_ptr<Native> native_;
  int receiveBuffer_ = 0;
};

}  // namespace platform
