#pragma once
#include <atomic>
#include <cstddef>
#include <string>
#include <thread>

namespace dltest {

// A loopback TLS server whose certificate nobody trusts: made for this server alone and
// signed by itself, for 127.0.0.1. A client that checks certificates never gets past the
// handshake, so the server serves nothing; it counts the connections that reached it.
class UntrustedTlsServer {
 public:
  // chainBytes: the certificate is sent with copies of itself until the chain is this long.
  explicit UntrustedTlsServer(size_t chainBytes = 0);
  ~UntrustedTlsServer();
  UntrustedTlsServer(const UntrustedTlsServer&) = delete;
  UntrustedTlsServer& operator=(const UntrustedTlsServer&) = delete;

  std::string url(const std::string& path = "/files/patch.bin") const;
  int connections() const { return connections_.load(); }
  // The server could make its certificate and listen.
  bool ready() const { return context_ != nullptr && listenFd_ >= 0; }

 private:
  void acceptLoop();

  void* context_ = nullptr;  // SSL_CTX, kept opaque so that tests need no OpenSSL header
  int listenFd_ = -1;
  int port_ = 0;
  std::atomic<int> connections_{0};
  std::atomic<bool> stopping_{false};
  std::thread acceptor_;
};

}  // namespace dltest
