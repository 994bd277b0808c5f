// TLS through OpenSSL's libssl. The session reads and writes through a BIO of our own that
// calls the TcpSocket, so the socket keeps its time-outs and stop flag and no byte is copied
// on the way.
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <algorithm>
#include <mutex>

#include "platform/tls.h"

namespace platform {

namespace {

struct CtxFree {
  void operator()(SSL_CTX* c) const { SSL_CTX_free(c); }
};
struct SslFree {
  void operator()(SSL* s) const { SSL_free(s); }
};

bool isAddress(const std::string& host) {
  ASN1_OCTET_STRING* parsed = a2i_IPADDRESS(host.c_str());
  ERR_clear_error();
  if (parsed == nullptr) return false;
  ASN1_OCTET_STRING_free(parsed);
  return true;
}

// What the socket BIO works with: the socket, the limits of the current call and how the
// last socket operation ended.
struct Wire {
  TcpSocket* socket = nullptr;
  int timeoutMs = 0;
  const std::atomic<bool>* stop = nullptr;
  SocketStatus last = SocketStatus::ok;
};

int wireRead(BIO* bio, char* data, size_t size, size_t* done) {
  auto* wire = static_cast<Wire*>(BIO_get_data(bio));
  BIO_clear_retry_flags(bio);
  size_t got = 0;
  wire->last = wire->socket->receive(data, size, got, wire->timeoutMs, *wire->stop);
  *done = got;
  return wire->last == SocketStatus::ok ? 1 : 0;
}

int wireWrite(BIO* bio, const char* data, size_t size, size_t* done) {
  auto* wire = static_cast<Wire*>(BIO_get_data(bio));
  BIO_clear_retry_flags(bio);
  wire->last = wire->socket->sendAll(data, size, wire->timeoutMs, *wire->stop);
  *done = wire->last == SocketStatus::ok ? size : 0;
  return wire->last == SocketStatus::ok ? 1 : 0;
}

long wireControl(BIO*, int command, long, void*) { return command == BIO_CTRL_FLUSH ? 1 : 0; }

// The method table is made once for the process and never changes.
BIO_METHOD* wireMethod() {
  static BIO_METHOD* method = nullptr;
  static std::once_flag once;
  std::call_once(once, [] {
    method = BIO_meth_new(BIO_get_new_index() | BIO_TYPE_SOURCE_SINK, "launcher socket");
    if (method == nullptr) return;
    BIO_meth_set_read_ex(method, wireRead);
    BIO_meth_set_write_ex(method, wireWrite);
    BIO_meth_set_ctrl(method, wireControl);
  });
  return method;
}

}  // namespace

struct TlsSession::Native {
  std::unique_ptr<SSL_CTX, CtxFree> ctx;
  std::unique_ptr<SSL, SslFree> ssl;
  Wire wire;

  void limits(int timeoutMs, const std::atomic<bool>& stop) {
    wire.timeoutMs = timeoutMs;
    wire.stop = &stop;
    wire.last = SocketStatus::ok;
  }
};

TlsSession::TlsSession() : native_(std::make_unique<Native>()) {}
TlsSession::~TlsSession() = default;

TlsStatus TlsSession::handshake(TcpSocket& socket, const std::string& hostName, int timeoutMs,
                                const std::atomic<bool>& stop) {
  socket_ = &socket;
  Native& n = *native_;
  n.wire.socket = &socket;
  n.ctx.reset(SSL_CTX_new(TLS_client_method()));
  if (!n.ctx || wireMethod() == nullptr) return TlsStatus::failed;
  SSL_CTX_set_min_proto_version(n.ctx.get(), TLS1_2_VERSION);
  // The system's trust store; SSL_CERT_FILE and SSL_CERT_DIR point elsewhere when set.
  SSL_CTX_set_default_verify_paths(n.ctx.get());
  SSL_CTX_set_verify(n.ctx.get(), SSL_VERIFY_PEER, nullptr);
  n.ssl.reset(SSL_new(n.ctx.get()));
  if (!n.ssl) return TlsStatus::failed;
  BIO* bio = BIO_new(wireMethod());
  if (bio == nullptr) return TlsStatus::failed;
  BIO_set_data(bio, &n.wire);
  BIO_set_init(bio, 1);
  SSL_set_bio(n.ssl.get(), bio, bio);
  // Whole records and more per read: one receive call instead of one per record part.
  SSL_set_read_ahead(n.ssl.get(), 1);
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
  n.limits(timeoutMs, stop);
  ERR_clear_error();
  int r = SSL_do_handshake(n.ssl.get());
  if (r == 1) return TlsStatus::ok;
  long verified = SSL_get_verify_result(n.ssl.get());
  // A certificate chain beyond the longest this client reads (OpenSSL's limit on the
  // certificate message) can never be checked: it is refused as an untrusted one is.
  bool chainTooLong = false;
  for (unsigned long e = ERR_get_error(); e != 0; e = ERR_get_error()) {
    chainTooLong = chainTooLong || (ERR_GET_LIB(e) == ERR_LIB_SSL && ERR_GET_REASON(e) == SSL_R_EXCESSIVE_MESSAGE_SIZE);
  }
  if (n.wire.last != SocketStatus::ok) return tlsStatusOf(n.wire.last);
  return verified != X509_V_OK || chainTooLong ? TlsStatus::certificateRefused : TlsStatus::failed;
}

SocketStatus TlsSession::sendAll(const char* data, size_t size, int timeoutMs, const std::atomic<bool>& stop) {
  Native& n = *native_;
  if (!n.ssl || socket_ == nullptr) return SocketStatus::failed;
  n.limits(timeoutMs, stop);
  while (size > 0) {
    ERR_clear_error();
    size_t written = 0;
    if (SSL_write_ex(n.ssl.get(), data, size, &written) != 1) {
      ERR_clear_error();
      return n.wire.last != SocketStatus::ok ? n.wire.last : SocketStatus::failed;
    }
    data += written;
    size -= written;
  }
  return SocketStatus::ok;
}

SocketStatus TlsSession::receive(char* data, size_t maxBytes, size_t& received, int timeoutMs,
                                 const std::atomic<bool>& stop) {
  received = 0;
  Native& n = *native_;
  if (!n.ssl || socket_ == nullptr || maxBytes == 0) return SocketStatus::failed;
  n.limits(timeoutMs, stop);
  ERR_clear_error();
  if (SSL_read_ex(n.ssl.get(), data, maxBytes, &received) == 1) return SocketStatus::ok;
  int error = SSL_get_error(n.ssl.get(), 0);
  ERR_clear_error();
  if (error == SSL_ERROR_ZERO_RETURN) return SocketStatus::closed;
  // The socket's own outcome (closed, timed out, stopped) tells more than the session's.
  return n.wire.last != SocketStatus::ok ? n.wire.last : SocketStatus::failed;
}

}  // namespace platform
