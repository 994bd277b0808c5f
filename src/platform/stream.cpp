#include "platform/stream.h"

namespace platform {

TlsStatus Stream::secure(const std::string& hostName, int timeoutMs, const std::atomic<bool>& stop) {
  tls_.emplace();
  TlsStatus status = tls_->handshake(socket_, hostName, timeoutMs, stop);
  if (status != TlsStatus::ok) {
    // Nothing more may travel over a connection whose handshake failed.
    tls_.reset();
    socket_.close();
  }
  return status;
}

SocketStatus Stream::sendAll(const char* data, size_t size, int timeoutMs, const std::atomic<bool>& stop) {
  return tls_ ? tls_->sendAll(data, size, timeoutMs, stop) : socket_.sendAll(data, size, timeoutMs, stop);
}

SocketStatus Stream::receive(char* data, size_t maxBytes, size_t& received, int timeoutMs,
                             const std::atomic<bool>& stop) {
  return tls_ ? tls_->receive(data, maxBytes, received, timeoutMs, stop)
              : socket_.receive(data, maxBytes, received, timeoutMs, stop);
}

}  // namespace platform
