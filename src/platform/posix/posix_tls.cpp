// TLS through OpenSSL's libssl. The session talks to memory BIOs and this file moves their
// bytes over the TcpSocket, so the socket keeps its time-outs and stop flag.
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <algorithm>
#include <vector>

#include "platform/tls.h"

namespace platform {

namespace {

struct CtxFree {
  void operator()(SSL_CTX* c) const { SSL_CTX_free(c); }
};
struct SslFree {
  void operator()(SSL* s) const { SSL_free(s); }
};

// Large enough for one whole TLS record with its overhead.
constexpr size_t kWireChunk = 64 * 1024;

bool isAddress(const std::string& host) {
  ASN1_OCTET_STRING* parsed = a2i_IPADDRESS(host.c_str());
  ERR_clear_error();
  if (parsed == nullptr) return false;
  ASN1_OCTET_STRING_free(parsed);
  return true;
}

}  // namespace

struct TlsSession::Native {
  std::unique_ptr<SSL_CTX, CtxFree> ctx;
  std::unique_ptr<SSL, SslFree> ssl;
  BIO* in = nullptr;   // owned by ssl: bytes from the server
  BIO* out = nullptr;  // owned by ssl: bytes for the server
  std::vector<char> wire = std::vector<char>(kWireChunk);

  // Sends whatever the session has produced for the server.
  SocketStatus flush(TcpSocket& socket, int timeoutMs, const std::atomic<bool>& stop) {
    char* data = nullptr;
    long pending = BIO_get_mem_data(out, &data);
    if (pending <= 0) return SocketStatus::ok;
    SocketStatus s = socket.sendAll(data, static_cast<size_t>(pending), timeoutMs, stop);
    (void)BIO_reset(out);
    return s;
  }

  // Moves the next bytes of the server into the session.
  SocketStatus fill(TcpSocket& socket, int timeoutMs, const std::atomic<bool>& stop) {
    size_t got = 0;
    SocketStatus s = socket.receive(wire.data(), wire.size(), got, timeoutMs, stop);
    if (s != SocketStatus::ok) return s;
    BIO_write(in, wire.data(), static_cast<int>(got));
    return SocketStatus::ok;
  }
};

TlsSession::TlsSession() : native_(std::make_unique<Native>()) {}
TlsSession::~TlsSession() = default;

namespace {

TlsStatus fromSocket(SocketStatus s) {
  if (s == SocketStatus::stopped) return TlsStatus::stopped;
  if (s == SocketStatus::timedOut) return TlsStatus::timedOut;
  return TlsStatus::failed;
}

}  // namespace

TlsStatus TlsSession::handshake(TcpSocket& socket, const std::string& hostName, int timeoutMs,
                                const std::atomic<bool>& stop) {
  socket_ = &socket;
  Native& n = *native_;
  n.ctx.reset(SSL_CTX_new(TLS_client_method()));
  if (!n.ctx) return TlsStatus::failed;
  SSL_CTX_set_min_proto_version(n.ctx.get(), TLS1_2_VERSION);
  // The system's trust store; SSL_CERT_FILE and SSL_CERT_DIR point elsewhere when set.
  SSL_CTX_set_default_verify_paths(n.ctx.get());
  SSL_CTX_set_verify(n.ctx.get(), SSL_VERIFY_PEER, nullptr);
  n.ssl.reset(SSL_new(n.ctx.get()));
  if (!n.ssl) return TlsStatus::failed;
  n.in = BIO_new(BIO_s_mem());
  n.out = BIO_new(BIO_s_mem());
  if (n.in == nullptr || n.out == nullptr) {
    BIO_free(n.in);
    BIO_free(n.out);
    n.in = n.out = nullptr;
    return TlsStatus::failed;
  }
  SSL_set_bio(n.ssl.get(), n.in, n.out);
  SSL_set_connect_state(n.ssl.get());
  X509_VERIFY_PARAM* param = SSL_get0_param(n.ssl.get());
  if (isAddress(hostName)) {
    if (X509_VERIFY_PARAM_set1_ip_asc(param, hostName.c_str()) != 1) return TlsStatus::failed;
  } else {
    // Server name indication and the name the certificate must carry.
    if (SSL_set_tlsext_host_name(n.ssl.get(), hostName.c_str()) != 1) return TlsStatus::failed;
    X509_VERIFY_PARAM_set_hostflags(param, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
    if (X509_VERIFY_PARAM_set1_host(param, hostName.c_str(), hostName.size()) != 1) return TlsStatus::failed;
  }
  for (;;) {
    ERR_clear_error();
    int r = SSL_do_handshake(n.ssl.get());
    SocketStatus sent = n.flush(socket, timeoutMs, stop);
    if (sent != SocketStatus::ok) return fromSocket(sent);
    if (r == 1) return TlsStatus::ok;
    int error = SSL_get_error(n.ssl.get(), r);
    if (error != SSL_ERROR_WANT_READ) {
      long verified = SSL_get_verify_result(n.ssl.get());
      ERR_clear_error();
      return verified != X509_V_OK ? TlsStatus::certificateRefused : TlsStatus::failed;
    }
    SocketStatus got = n.fill(socket, timeoutMs, stop);
    if (got != SocketStatus::ok) return fromSocket(got);
  }
}

SocketStatus TlsSession::sendAll(const char* data, size_t size, int timeoutMs, const std::atomic<bool>& stop) {
  if (!native_->ssl || socket_ == nullptr) return SocketStatus::failed;
  while (size > 0) {
    ERR_clear_error();
    int chunk = static_cast<int>(std::min<size_t>(size, 1 << 20));
    int r = SSL_write(native_->ssl.get(), data, chunk);
    if (r <= 0) {
      ERR_clear_error();
      return SocketStatus::failed;
    }
    data += r;
    size -= static_cast<size_t>(r);
    SocketStatus s = native_->flush(*socket_, timeoutMs, stop);
    if (s != SocketStatus::ok) return s;
  }
  return SocketStatus::ok;
}

SocketStatus TlsSession::receive(char* data, size_t maxBytes, size_t& received, int timeoutMs,
                                 const std::atomic<bool>& stop) {
  received = 0;
  if (!native_->ssl || socket_ == nullptr || maxBytes == 0) return SocketStatus::failed;
  Native& n = *native_;
  int ask = static_cast<int>(std::min<size_t>(maxBytes, 1 << 30));
  for (;;) {
    ERR_clear_error();
    int r = SSL_read(n.ssl.get(), data, ask);
    if (r > 0) {
      received = static_cast<size_t>(r);
      return SocketStatus::ok;
    }
    int error = SSL_get_error(n.ssl.get(), r);
    // Reading may have produced something to send (a key update's answer).
    SocketStatus sent = n.flush(*socket_, timeoutMs, stop);
    if (sent != SocketStatus::ok) return sent;
    if (error == SSL_ERROR_ZERO_RETURN) return SocketStatus::closed;
    if (error != SSL_ERROR_WANT_READ) {
      ERR_clear_error();
      return SocketStatus::failed;
    }
    SocketStatus got = n.fill(*socket_, timeoutMs, stop);
    if (got != SocketStatus::ok) return got;
  }
}

}  // namespace platform
