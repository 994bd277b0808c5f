// SHA-256 and ECDSA P-256 verification through OpenSSL's libcrypto.
#include <openssl/bn.h>
#include <openssl/ecdsa.h>
#include <openssl/evp.h>
#include <openssl/x509.h>

#include <cstring>
#include <vector>

#include "platform/crypto.h"

namespace platform {

namespace {

struct DigestContextFree {
  void operator()(EVP_MD_CTX* c) const { EVP_MD_CTX_free(c); }
};
struct KeyFree {
  void operator()(EVP_PKEY* k) const { EVP_PKEY_free(k); }
};
struct SignatureFree {
  void operator()(ECDSA_SIG* s) const { ECDSA_SIG_free(s); }
};
using DigestContext = std::unique_ptr<EVP_MD_CTX, DigestContextFree>;

// SubjectPublicKeyInfo of an uncompressed P-256 point, up to the point itself: the algorithm
// id-ecPublicKey with the curve prime256v1, then a BIT STRING of 66 bytes (no unused bits).
constexpr uint8_t kSpkiPrefix[] = {0x30, 0x59, 0x30, 0x13, 0x06, 0x07, 0x2a, 0x86, 0x48, 0xce, 0x3d, 0x02, 0x01,
                                   0x06, 0x08, 0x2a, 0x86, 0x48, 0xce, 0x3d, 0x03, 0x01, 0x07, 0x03, 0x42, 0x00};

std::unique_ptr<EVP_PKEY, KeyFree> importKey(const P256PublicKey& key) {
  std::vector<uint8_t> spki(kSpkiPrefix, kSpkiPrefix + sizeof kSpkiPrefix);
  spki.insert(spki.end(), key.begin(), key.end());
  const unsigned char* p = spki.data();
  // Decoding checks that the point lies on the curve.
  return std::unique_ptr<EVP_PKEY, KeyFree>(d2i_PUBKEY(nullptr, &p, static_cast<long>(spki.size())));
}

// r || s as the DER SEQUENCE that OpenSSL verifies.
bool derSignature(const P256Signature& rs, std::vector<uint8_t>& der) {
  std::unique_ptr<ECDSA_SIG, SignatureFree> sig(ECDSA_SIG_new());
  if (!sig) return false;
  BIGNUM* r = BN_bin2bn(rs.data(), 32, nullptr);
  BIGNUM* s = BN_bin2bn(rs.data() + 32, 32, nullptr);
  if (!r || !s || ECDSA_SIG_set0(sig.get(), r, s) != 1) {
    BN_free(r);
    BN_free(s);
    return false;
  }
  int size = i2d_ECDSA_SIG(sig.get(), nullptr);
  if (size <= 0) return false;
  der.resize(static_cast<size_t>(size));
  unsigned char* out = der.data();
  return i2d_ECDSA_SIG(sig.get(), &out) == size;
}

}  // namespace

struct Sha256::State {
  DigestContext context{EVP_MD_CTX_new()};
  bool good = false;
};

Sha256::Sha256() : state_(std::make_unique<State>()) {
  state_->good = state_->context && EVP_DigestInit_ex(state_->context.get(), EVP_sha256(), nullptr) == 1;
}

Sha256::~Sha256() = default;

void Sha256::update(const void* data, size_t size) {
  if (state_->good && size > 0) state_->good = EVP_DigestUpdate(state_->context.get(), data, size) == 1;
}

std::optional<Sha256Digest> Sha256::finish() {
  if (!state_->good) return std::nullopt;
  state_->good = false;
  Sha256Digest digest{};
  unsigned int size = 0;
  if (EVP_DigestFinal_ex(state_->context.get(), digest.data(), &size) != 1 || size != digest.size())
    return std::nullopt;
  return digest;
}

bool verifyP256(const P256PublicKey& key, std::string_view message, const P256Signature& signature) {
  if (key[0] != 0x04) return false;  // only the uncompressed form is a key here
  auto pkey = importKey(key);
  std::vector<uint8_t> der;
  if (!pkey || !derSignature(signature, der)) return false;
  DigestContext context(EVP_MD_CTX_new());
  if (!context || EVP_DigestVerifyInit(context.get(), nullptr, EVP_sha256(), nullptr, pkey.get()) != 1) return false;
  return EVP_DigestVerify(context.get(), der.data(), der.size(), reinterpret_cast<const unsigned char*>(message.data()),
                          message.size()) == 1;
}

}  // namespace platform
