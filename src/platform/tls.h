#pragma once
#include <atomic>
#include <cstddef>
#include <memory>
#include <string>

#include "platform/tcp_socket.h"

namespace platform {

// How a TLS handshake ended.
enum class TlsStatus {
  ok,
  certificateRefused,  // the server's certificate is not trusted or not for this host name
  failed,              // no common protocol, a broken record, the peer hung up, the system refused
  timedOut,
  stopped,
};

// A handshake cut short by its connection: stopped and timed out as such, anything else failed.
inline TlsStatus tlsStatusOf(SocketStatus s) {
  if (s == SocketStatus::stopped) return TlsStatus::stopped;
  if (s == SocketStatus::timedOut) return TlsStatus::timedOut;
  return TlsStatus::failed;
}

// A TLS client session over a connected TcpSocket, which it borrows for its whole life.
// The system's own TLS does the work (OpenSSL, Schannel); certificates are checked against
// the system's trust store and the host name, and nothing is ever accepted unchecked.
class TlsSession {
 public:
  TlsSession();
  ~TlsSession();
  TlsSession(const TlsSession&) = delete;
  TlsSession& operator=(const TlsSession&) = delete;

  // Runs the client handshake, naming `hostName` to the server (SNI) and checking the
  // certificate against it. timeoutMs bounds every wait for the server.
  TlsStatus handshake(TcpSocket& socket, const std::string& hostName, int timeoutMs, const std::atomic<bool>& stop);
  // As TcpSocket's: every byte sent, or between 1 and maxBytes received. A peer that
  // ends the session (or just closes the connection) gives closed.
  SocketStatus sendAll(const char* data, size_t size, int timeoutMs, const std::atomic<bool>& stop);
  SocketStatus receive(char* data, size_t maxBytes, size_t& received, int timeoutMs, const std::atomic<bool>& stop);

 private:
  struct Native;
  std::unique_ptr<Native> native_;
  TcpSocket* socket_ = nullptr;
};

}  // namespace platform
