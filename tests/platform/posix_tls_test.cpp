#include "platform/tls.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <thread>

#include "fakes/loopback_listener.h"
#include "platform/tcp_socket.h"

namespace {

namespace fs = std::filesystem;

using Key = std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)>;
using Cert = std::unique_ptr<X509, decltype(&X509_free)>;

// A certificate for `altName` with a fresh key, signed by `issuerKey` (itself when none).
Cert makeCertificate(EVP_PKEY* key, const char* commonName, const char* altName, bool authority, X509* issuer,
                     EVP_PKEY* issuerKey) {
  Cert cert(X509_new(), X509_free);
  X509_set_version(cert.get(), 2);
  ASN1_INTEGER_set(X509_get_serialNumber(cert.get()), authority ? 1 : 2);
  X509_gmtime_adj(X509_getm_notBefore(cert.get()), -3600);
  X509_gmtime_adj(X509_getm_notAfter(cert.get()), 86400);
  X509_set_pubkey(cert.get(), key);
  X509_NAME_add_entry_by_txt(X509_get_subject_name(cert.get()), "CN", MBSTRING_ASC,
                             reinterpret_cast<const unsigned char*>(commonName), -1, -1, 0);
  X509_set_issuer_name(cert.get(), X509_get_subject_name(issuer ? issuer : cert.get()));
  X509V3_CTX ctx;
  X509V3_set_ctx_nodb(&ctx);
  X509V3_set_ctx(&ctx, issuer ? issuer : cert.get(), cert.get(), nullptr, nullptr, 0);
  auto add = [&](int nid, const char* value) {
    X509_EXTENSION* ext = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value);
    ASSERT_NE(ext, nullptr) << value;
    X509_add_ext(cert.get(), ext, -1);
    X509_EXTENSION_free(ext);
  };
  if (authority) {
    add(NID_basic_constraints, "critical,CA:TRUE");
    add(NID_key_usage, "critical,keyCertSign,cRLSign");
  } else {
    add(NID_subject_alt_name, altName);
    add(NID_ext_key_usage, "serverAuth");
  }
  X509_sign(cert.get(), issuerKey ? issuerKey : key, EVP_sha256());
  return cert;
}

// An authority that the session trusts (through SSL_CERT_FILE, for this test only) and a
// loopback server that answers one handshake with a certificate it signed.
struct TrustedAuthority : ::testing::Test {
  fs::path folder = fs::temp_directory_path() / ("tls_names_" + std::to_string(::getpid()));
  Key caKey{EVP_EC_gen("P-256"), EVP_PKEY_free};
  Cert ca = makeCertificate(caKey.get(), "Test authority", nullptr, true, nullptr, nullptr);

  void SetUp() override {
    // The server may still write when the client has already hung up on it.
    ::signal(SIGPIPE, SIG_IGN);
    fs::create_directories(folder);
    std::string file = (folder / "ca.pem").string();
    FILE* out = std::fopen(file.c_str(), "w");
    ASSERT_NE(out, nullptr);
    PEM_write_X509(out, ca.get());
    std::fclose(out);
    ::setenv("SSL_CERT_FILE", file.c_str(), 1);
    ::unsetenv("SSL_CERT_DIR");
  }
  void TearDown() override {
    ::unsetenv("SSL_CERT_FILE");
    fs::remove_all(folder);
  }

  // Connects to `host` (a name for 127.0.0.1) and runs the handshake against a server whose
  // certificate names `altName`.
  platform::TlsStatus handshakeWith(const char* altName, const std::string& host) {
    Key key(EVP_EC_gen("P-256"), EVP_PKEY_free);
    Cert leaf = makeCertificate(key.get(), "server", altName, false, ca.get(), caKey.get());
    std::unique_ptr<SSL_CTX, decltype(&SSL_CTX_free)> server(SSL_CTX_new(TLS_server_method()), SSL_CTX_free);
    SSL_CTX_use_certificate(server.get(), leaf.get());
    SSL_CTX_use_PrivateKey(server.get(), key.get());
    int port = 0;
    int listener = testing_support::listenLoopback(1, port);
    EXPECT_GE(listener, 0);
    std::thread serve([&] {
      pollfd p{listener, POLLIN, 0};
      if (::poll(&p, 1, 10000) <= 0) return;
      int fd = ::accept(listener, nullptr, nullptr);
      timeval limit{5, 0};
      ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
      SSL* ssl = SSL_new(server.get());
      SSL_set_fd(ssl, fd);
      SSL_accept(ssl);
      SSL_free(ssl);
      ::close(fd);
    });
    std::atomic<bool> stop{false};
    platform::TcpSocket socket;
    platform::TlsStatus status = platform::TlsStatus::failed;
    if (socket.connect(host, port, 5000, stop) == platform::SocketStatus::ok) {
      platform::TlsSession session;
      status = session.handshake(socket, host, 5000, stop);
    }
    socket.close();
    serve.join();
    ::close(listener);
    return status;
  }
};

// Reached by a name, the certificate must carry that name; reached by an address, that
// address. Each refusal has a matching case that passes, so it is the name that refuses it.
TEST_F(TrustedAuthority, TheCertificateMustNameTheHostAsItWasReached) {
  using platform::TlsStatus;
  EXPECT_EQ(handshakeWith("DNS:localhost", "localhost"), TlsStatus::ok);
  EXPECT_EQ(handshakeWith("DNS:files.invalid", "localhost"), TlsStatus::certificateRefused);
  EXPECT_EQ(handshakeWith("DNS:*.localhost", "localhost"), TlsStatus::certificateRefused);
  EXPECT_EQ(handshakeWith("IP:127.0.0.1", "127.0.0.1"), TlsStatus::ok);
  EXPECT_EQ(handshakeWith("DNS:localhost", "127.0.0.1"), TlsStatus::certificateRefused);
}

}  // namespace
