// TLS through Schannel (SSPI) over our own sockets: the security context produces and takes
// the bytes, this file moves them over the TcpSocket, so its time-outs and stop flag hold.
#define SECURITY_WIN32
// SCH_CREDENTIALS and TLS_PARAMETERS are declared only with this set.
#define SCHANNEL_USE_BLACKLISTS
#include <windows.h>
#include <subauth.h>
#include <wincrypt.h>
#include <schannel.h>
#include <security.h>
#include <sspi.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/tls.h"
#include "platform/win32/wide.h"

namespace platform {

namespace {

constexpr size_t kWireChunk = 17 * 1024;

constexpr DWORD kContextFlags = ISC_REQ_SEQUENCE_DETECT | ISC_REQ_REPLAY_DETECT | ISC_REQ_CONFIDENTIALITY |
                                ISC_REQ_ALLOCATE_MEMORY | ISC_REQ_STREAM | ISC_REQ_EXTENDED_ERROR |
                                ISC_REQ_MANUAL_CRED_VALIDATION;
// The certificate is checked here, against the system store and the host name; Schannel's
// own automatic check is turned off so that the outcome can be told apart from other failures.
constexpr DWORD kCredentialFlags = SCH_CRED_MANUAL_CRED_VALIDATION | SCH_CRED_NO_DEFAULT_CREDS | SCH_USE_STRONG_CRYPTO;

constexpr size_t kLongestHandshakeMessage = 100 * 1024;

bool isCertificateError(SECURITY_STATUS s) {
  return s == SEC_E_UNTRUSTED_ROOT || s == SEC_E_WRONG_PRINCIPAL || s == SEC_E_CERT_EXPIRED ||
         s == SEC_E_CERT_UNKNOWN || s == static_cast<SECURITY_STATUS>(CERT_E_CN_NO_MATCH) ||
         s == static_cast<SECURITY_STATUS>(CERT_E_UNTRUSTEDROOT);
}

// TLS 1.2 and 1.3 asked for by name: Windows 7 leaves TLS 1.2 off unless a program asks.
// The newer credential structure comes first; systems that do not know it get the older one.
bool acquireCredentials(CredHandle& handle) {
  TimeStamp expiry{};
  TLS_PARAMETERS parameters{};
  parameters.grbitDisabledProtocols =
      static_cast<DWORD>(~(SP_PROT_TLS1_2_CLIENT | SP_PROT_TLS1_3_CLIENT));
  SCH_CREDENTIALS modern{};
  modern.dwVersion = SCH_CREDENTIALS_VERSION;
  modern.dwFlags = kCredentialFlags;
  modern.cTlsParameters = 1;
  modern.pTlsParameters = &parameters;
  wchar_t package[] = UNISP_NAME_W;
  if (AcquireCredentialsHandleW(nullptr, package, SECPKG_CRED_OUTBOUND, nullptr, &modern, nullptr, nullptr, &handle,
                                &expiry) == SEC_E_OK) {
    return true;
  }
  SCHANNEL_CRED older{};
  older.dwVersion = SCHANNEL_CRED_VERSION;
  older.dwFlags = kCredentialFlags;
  older.grbitEnabledProtocols = SP_PROT_TLS1_2_CLIENT;
  return AcquireCredentialsHandleW(nullptr, package, SECPKG_CRED_OUTBOUND, nullptr, &older, nullptr, nullptr, &handle,
                                   &expiry) == SEC_E_OK;
}

// The server's certificate chains to a root the system trusts and names `host`.
bool certificateTrusted(CtxtHandle& context, const std::wstring& host) {
  PCCERT_CONTEXT cert = nullptr;
  if (QueryContextAttributesW(&context, SECPKG_ATTR_REMOTE_CERT_CONTEXT, &cert) != SEC_E_OK || cert == nullptr) {
    return false;
  }
  LPSTR usages[] = {const_cast<LPSTR>(szOID_PKIX_KP_SERVER_AUTH), const_cast<LPSTR>(szOID_SERVER_GATED_CRYPTO),
                    const_cast<LPSTR>(szOID_SGC_NETSCAPE)};
  CERT_CHAIN_PARA chainPara{};
  chainPara.cbSize = sizeof chainPara;
  chainPara.RequestedUsage.dwType = USAGE_MATCH_TYPE_OR;
  chainPara.RequestedUsage.Usage.cUsageIdentifier = 3;
  chainPara.RequestedUsage.Usage.rgpszUsageIdentifier = usages;
  PCCERT_CHAIN_CONTEXT chain = nullptr;
  bool trusted = false;
  if (CertGetCertificateChain(nullptr, cert, nullptr, cert->hCertStore, &chainPara, 0, nullptr, &chain)) {
    SSL_EXTRA_CERT_CHAIN_POLICY_PARA ssl{};
    ssl.cbSize = sizeof ssl;
    ssl.dwAuthType = AUTHTYPE_SERVER;
    ssl.pwszServerName = const_cast<wchar_t*>(host.c_str());
    CERT_CHAIN_POLICY_PARA policy{};
    policy.cbSize = sizeof policy;
    policy.pvExtraPolicyPara = &ssl;
    CERT_CHAIN_POLICY_STATUS status{};
    status.cbSize = sizeof status;
    // The chain's own status as well as the policy's verdict: some implementations of the
    // policy pass a chain that never reached a root at all.
    trusted = CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain, &policy, &status) &&
              status.dwError == 0 && chain->TrustStatus.dwErrorStatus == CERT_TRUST_NO_ERROR;
    CertFreeCertificateChain(chain);
  }
  CertFreeCertificateContext(cert);
  return trusted;
}

}  // namespace

struct TlsSession::Native {
  CredHandle credentials{};
  CtxtHandle context{};
  bool haveCredentials = false;
  bool haveContext = false;
  std::wstring host;
  SecPkgContext_StreamSizes sizes{};
  std::vector<char> incoming;  // bytes from the server not yet taken by the context
  std::vector<char> plain;     // decrypted bytes not yet handed out
  size_t plainAt = 0;
  std::vector<char> sealed;    // one encrypted record on its way out

  ~Native() {
    if (haveContext) DeleteSecurityContext(&context);
    if (haveCredentials) FreeCredentialsHandle(&credentials);
  }

  SocketStatus readMore(TcpSocket& socket, int timeoutMs, const std::atomic<bool>& stop) {
    size_t had = incoming.size();
    incoming.resize(had + kWireChunk);
    size_t got = 0;
    SocketStatus s = socket.receive(incoming.data() + had, kWireChunk, got, timeoutMs, stop);
    incoming.resize(had + got);
    return s;
  }

  // Sends and frees a token the context produced.
  static SocketStatus sendToken(TcpSocket& socket, SecBuffer& token, int timeoutMs, const std::atomic<bool>& stop) {
    SocketStatus s = SocketStatus::ok;
    if (token.pvBuffer != nullptr && token.cbBuffer > 0) {
      s = socket.sendAll(static_cast<const char*>(token.pvBuffer), token.cbBuffer, timeoutMs, stop);
    }
    if (token.pvBuffer != nullptr) FreeContextBuffer(token.pvBuffer);
    token.pvBuffer = nullptr;
    return s;
  }

  // One step of the handshake with what has arrived (none for the first step).
  SECURITY_STATUS step(TcpSocket& socket, bool first, int timeoutMs, const std::atomic<bool>& stop, SocketStatus& sent) {
    SecBuffer in[2]{};
    in[0].BufferType = SECBUFFER_TOKEN;
    in[0].pvBuffer = incoming.data();
    in[0].cbBuffer = static_cast<unsigned long>(incoming.size());
    in[1].BufferType = SECBUFFER_EMPTY;
    SecBufferDesc inDesc{SECBUFFER_VERSION, 2, in};
    SecBuffer out[1]{};
    out[0].BufferType = SECBUFFER_TOKEN;
    SecBufferDesc outDesc{SECBUFFER_VERSION, 1, out};
    unsigned long attributes = 0;
    SECURITY_STATUS s = InitializeSecurityContextW(
        &credentials, first ? nullptr : &context, const_cast<wchar_t*>(host.c_str()), kContextFlags, 0, 0,
        first ? nullptr : &inDesc, 0, first ? &context : nullptr, &outDesc, &attributes, nullptr);
    if (first && (s == SEC_E_OK || s == SEC_I_CONTINUE_NEEDED)) haveContext = true;
    sent = SocketStatus::ok;
    if (s == SEC_E_INCOMPLETE_MESSAGE) {
      if (out[0].pvBuffer != nullptr) FreeContextBuffer(out[0].pvBuffer);
      return s;
    }
    sent = sendToken(socket, out[0], timeoutMs, stop);
    if (!first) {
      // What follows the handshake's last message belongs to the next step or to the data.
      if (in[1].BufferType == SECBUFFER_EXTRA && in[1].cbBuffer > 0 && in[1].cbBuffer <= incoming.size()) {
        incoming.erase(incoming.begin(), incoming.end() - in[1].cbBuffer);
      } else {
        incoming.clear();
      }
    }
    return s;
  }
};

TlsSession::TlsSession() : native_(std::make_unique<Native>()) {}
TlsSession::~TlsSession() = default;

TlsStatus TlsSession::handshake(TcpSocket& socket, const std::string& hostName, int timeoutMs,
                                const std::atomic<bool>& stop) {
  socket_ = &socket;
  Native& n = *native_;
  n.host = win32::widen(hostName);
  if (!acquireCredentials(n.credentials)) return TlsStatus::failed;
  n.haveCredentials = true;
  SocketStatus sent = SocketStatus::ok;
  SECURITY_STATUS s = n.step(socket, true, timeoutMs, stop, sent);
  bool needData = true;
  while (s == SEC_I_CONTINUE_NEEDED || s == SEC_E_INCOMPLETE_MESSAGE || s == SEC_I_INCOMPLETE_CREDENTIALS) {
    if (sent != SocketStatus::ok) return tlsStatusOf(sent);
    // A server's handshake message this long is a certificate chain no client checks (OpenSSL
    // stops at the same length): it is refused as an untrusted one, not waited for.
    if (s == SEC_E_INCOMPLETE_MESSAGE && n.incoming.size() >= kLongestHandshakeMessage) {
      return TlsStatus::certificateRefused;
    }
    if (needData || n.incoming.empty() || s == SEC_E_INCOMPLETE_MESSAGE) {
      SocketStatus got = n.readMore(socket, timeoutMs, stop);
      if (got != SocketStatus::ok) return tlsStatusOf(got);
    }
    s = n.step(socket, false, timeoutMs, stop, sent);
    needData = n.incoming.empty();
  }
  if (sent != SocketStatus::ok) return tlsStatusOf(sent);
  if (isCertificateError(s)) return TlsStatus::certificateRefused;
  if (s != SEC_E_OK) return TlsStatus::failed;
  if (!certificateTrusted(n.context, n.host)) return TlsStatus::certificateRefused;
  if (QueryContextAttributesW(&n.context, SECPKG_ATTR_STREAM_SIZES, &n.sizes) != SEC_E_OK) return TlsStatus::failed;
  n.sealed.resize(n.sizes.cbHeader + n.sizes.cbMaximumMessage + n.sizes.cbTrailer);
  return TlsStatus::ok;
}

SocketStatus TlsSession::sendAll(const char* data, size_t size, int timeoutMs, const std::atomic<bool>& stop) {
  Native& n = *native_;
  if (socket_ == nullptr || n.sealed.empty()) return SocketStatus::failed;
  while (size > 0) {
    unsigned long chunk = static_cast<unsigned long>(std::min<size_t>(size, n.sizes.cbMaximumMessage));
    char* base = n.sealed.data();
    std::memcpy(base + n.sizes.cbHeader, data, chunk);
    SecBuffer b[4]{};
    b[0] = {n.sizes.cbHeader, SECBUFFER_STREAM_HEADER, base};
    b[1] = {chunk, SECBUFFER_DATA, base + n.sizes.cbHeader};
    b[2] = {n.sizes.cbTrailer, SECBUFFER_STREAM_TRAILER, base + n.sizes.cbHeader + chunk};
    b[3] = {0, SECBUFFER_EMPTY, nullptr};
    SecBufferDesc desc{SECBUFFER_VERSION, 4, b};
    if (EncryptMessage(&n.context, 0, &desc, 0) != SEC_E_OK) return SocketStatus::failed;
    SocketStatus s = socket_->sendAll(base, b[0].cbBuffer + b[1].cbBuffer + b[2].cbBuffer, timeoutMs, stop);
    if (s != SocketStatus::ok) return s;
    data += chunk;
    size -= chunk;
  }
  return SocketStatus::ok;
}

SocketStatus TlsSession::receive(char* data, size_t maxBytes, size_t& received, int timeoutMs,
                                 const std::atomic<bool>& stop) {
  received = 0;
  Native& n = *native_;
  if (socket_ == nullptr || n.sealed.empty() || maxBytes == 0) return SocketStatus::failed;
  for (;;) {
    if (n.plainAt < n.plain.size()) {
      received = std::min(maxBytes, n.plain.size() - n.plainAt);
      std::memcpy(data, n.plain.data() + n.plainAt, received);
      n.plainAt += received;
      return SocketStatus::ok;
    }
    n.plain.clear();
    n.plainAt = 0;
    SECURITY_STATUS s = SEC_E_INCOMPLETE_MESSAGE;
    if (!n.incoming.empty()) {
      SecBuffer b[4]{};
      b[0] = {static_cast<unsigned long>(n.incoming.size()), SECBUFFER_DATA, n.incoming.data()};
      for (int i = 1; i < 4; ++i) b[i].BufferType = SECBUFFER_EMPTY;
      SecBufferDesc desc{SECBUFFER_VERSION, 4, b};
      s = DecryptMessage(&n.context, &desc, 0, nullptr);
      if (s == SEC_E_OK || s == SEC_I_RENEGOTIATE || s == SEC_I_CONTEXT_EXPIRED) {
        const SecBuffer* extra = nullptr;
        for (const SecBuffer& piece : b) {
          if (piece.BufferType == SECBUFFER_DATA && piece.cbBuffer > 0) {
            const char* p = static_cast<const char*>(piece.pvBuffer);
            n.plain.assign(p, p + piece.cbBuffer);
          }
          if (piece.BufferType == SECBUFFER_EXTRA && piece.cbBuffer > 0) extra = &piece;
        }
        if (extra != nullptr && extra->cbBuffer <= n.incoming.size()) {
          n.incoming.erase(n.incoming.begin(), n.incoming.end() - extra->cbBuffer);
        } else {
          n.incoming.clear();
        }
      }
      if (s == SEC_I_CONTEXT_EXPIRED && n.plain.empty()) return SocketStatus::closed;
      if (s == SEC_I_RENEGOTIATE) {
        // TLS 1.3 sends handshake messages after the handshake (session tickets, key
        // updates); the context takes them through another handshake step.
        SocketStatus sent = SocketStatus::ok;
        SECURITY_STATUS again = n.step(*socket_, false, timeoutMs, stop, sent);
        if (sent != SocketStatus::ok) return sent;
        if (again != SEC_E_OK && again != SEC_I_CONTINUE_NEEDED) return SocketStatus::failed;
        continue;
      }
      if (s == SEC_E_OK) continue;
      if (s != SEC_E_INCOMPLETE_MESSAGE) return SocketStatus::failed;
    }
    SocketStatus got = n.readMore(*socket_, timeoutMs, stop);
    if (got != SocketStatus::ok) return got;
  }
}

}  // namespace platform
