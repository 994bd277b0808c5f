#include "download/tls_test_server.h"

#include "fakes/loopback_listener.h"

#include <openssl/evp.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <memory>

namespace dltest {

namespace {

struct KeyFree {
  void operator()(EVP_PKEY* k) const { EVP_PKEY_free(k); }
};
struct CertFree {
  void operator()(X509* c) const { X509_free(c); }
};

bool addSubjectAltName(X509* cert, const char* value) {
  X509V3_CTX ctx;
  X509V3_set_ctx_nodb(&ctx);
  X509V3_set_ctx(&ctx, cert, cert, nullptr, nullptr, 0);
  X509_EXTENSION* ext = X509V3_EXT_conf_nid(nullptr, &ctx, NID_subject_alt_name, value);
  if (ext == nullptr) return false;
  bool added = X509_add_ext(cert, ext, -1) == 1;
  X509_EXTENSION_free(ext);
  return added;
}

// A server context with a fresh P-256 key and a certificate for 127.0.0.1 signed by that key.
SSL_CTX* makeSelfSignedContext(size_t chainBytes) {
  std::unique_ptr<EVP_PKEY, KeyFree> key(EVP_EC_gen("P-256"));
  std::unique_ptr<X509, CertFree> cert(X509_new());
  if (!key || !cert) return nullptr;
  X509_set_version(cert.get(), 2);
  ASN1_INTEGER_set(X509_get_serialNumber(cert.get()), 1);
  X509_gmtime_adj(X509_getm_notBefore(cert.get()), -3600);
  X509_gmtime_adj(X509_getm_notAfter(cert.get()), 86400);
  X509_set_pubkey(cert.get(), key.get());
  X509_NAME* name = X509_get_subject_name(cert.get());
  X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>("127.0.0.1"), -1, -1, 0);
  X509_set_issuer_name(cert.get(), name);
  if (!addSubjectAltName(cert.get(), "IP:127.0.0.1") || X509_sign(cert.get(), key.get(), EVP_sha256()) == 0) {
    return nullptr;
  }
  SSL_CTX* ctx = SSL_CTX_new(TLS_server_method());
  if (ctx == nullptr) return nullptr;
  if (SSL_CTX_use_certificate(ctx, cert.get()) != 1 || SSL_CTX_use_PrivateKey(ctx, key.get()) != 1) {
    SSL_CTX_free(ctx);
    return nullptr;
  }
  size_t oneCert = static_cast<size_t>(i2d_X509(cert.get(), nullptr));
  for (size_t chain = oneCert; chain < chainBytes; chain += oneCert) {
    X509* copy = X509_dup(cert.get());
    if (copy == nullptr || SSL_CTX_add_extra_chain_cert(ctx, copy) != 1) {
      X509_free(copy);
      SSL_CTX_free(ctx);
      return nullptr;
    }
  }
  return ctx;
}

}  // namespace

UntrustedTlsServer::UntrustedTlsServer(size_t chainBytes) {
  // The server may still write when the client has already hung up on it.
  ::signal(SIGPIPE, SIG_IGN);
  context_ = makeSelfSignedContext(chainBytes);
  listenFd_ = testing_support::listenLoopback(16, port_);
  if (ready()) acceptor_ = std::thread(&UntrustedTlsServer::acceptLoop, this);
}

UntrustedTlsServer::~UntrustedTlsServer() {
  stopping_ = true;
  if (acceptor_.joinable()) acceptor_.join();
  if (listenFd_ >= 0) ::close(listenFd_);
  SSL_CTX_free(static_cast<SSL_CTX*>(context_));
}

std::string UntrustedTlsServer::url(const std::string& path) const {
  return "https://127.0.0.1:" + std::to_string(port_) + path;
}

// One connection at a time: each ends within the handshake, when the client turns the
// certificate down (or after two seconds of silence).
void UntrustedTlsServer::acceptLoop() {
  while (!stopping_) {
    pollfd p{listenFd_, POLLIN, 0};
    if (::poll(&p, 1, 50) <= 0) continue;
    int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    ++connections_;
    timeval limit{2, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
    SSL* ssl = SSL_new(static_cast<SSL_CTX*>(context_));
    if (ssl != nullptr && SSL_set_fd(ssl, fd) == 1) SSL_accept(ssl);
    SSL_free(ssl);
    ::close(fd);
  }
}

}  // namespace dltest
