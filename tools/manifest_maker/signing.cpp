// Manifest signing through OpenSSL's libcrypto (the Linux build of the maker).
#include "signing.h"

#include <openssl/bio.h>
#include <openssl/bn.h>
#include <openssl/ec.h>
#include <openssl/ecdsa.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>

#include <cstring>
#include <vector>

#include "startup/manifest_signature.h"
#include "text/byte_encodings.h"

namespace maker {

namespace {

struct KeyFree {
  void operator()(EVP_PKEY* k) const { EVP_PKEY_free(k); }
};
struct BioFree {
  void operator()(BIO* b) const { BIO_free(b); }
};
struct ContextFree {
  void operator()(EVP_MD_CTX* c) const { EVP_MD_CTX_free(c); }
};
struct SignatureFree {
  void operator()(ECDSA_SIG* s) const { ECDSA_SIG_free(s); }
};

bool isP256(EVP_PKEY* key) {
  char group[64] = {};
  size_t length = 0;
  return EVP_PKEY_base_id(key) == EVP_PKEY_EC &&
         EVP_PKEY_get_utf8_string_param(key, "group", group, sizeof group, &length) == 1 &&
         std::string(group) == "prime256v1";
}

}  // namespace

struct SigningKey::State {
  std::unique_ptr<EVP_PKEY, KeyFree> key;
};

SigningKey::SigningKey() : state_(std::make_unique<State>()) {}
SigningKey::~SigningKey() = default;
SigningKey::SigningKey(SigningKey&&) noexcept = default;
SigningKey& SigningKey::operator=(SigningKey&&) noexcept = default;

bool SigningKey::generate(SigningKey& key, std::string& error) {
  key.state_->key.reset(EVP_EC_gen("P-256"));
  if (!key.state_->key) error = "could not generate a P-256 key";
  return key.state_->key != nullptr;
}

bool SigningKey::fromPem(const std::string& pem, SigningKey& key, std::string& error) {
  std::unique_ptr<BIO, BioFree> bio(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())));
  key.state_->key.reset(bio ? PEM_read_bio_PrivateKey(bio.get(), nullptr, nullptr, nullptr) : nullptr);
  if (!key.state_->key) {
    error = "not a PEM private key";
    return false;
  }
  if (!isP256(key.state_->key.get())) {
    key.state_->key.reset();
    error = "not a P-256 (prime256v1) key";
    return false;
  }
  return true;
}

std::string SigningKey::privatePem() const {
  std::unique_ptr<BIO, BioFree> bio(BIO_new(BIO_s_mem()));
  if (!bio || PEM_write_bio_PrivateKey(bio.get(), state_->key.get(), nullptr, nullptr, 0, nullptr, nullptr) != 1)
    return {};
  char* data = nullptr;
  long size = BIO_get_mem_data(bio.get(), &data);
  return std::string(data, static_cast<size_t>(size));
}

platform::P256PublicKey SigningKey::publicKey() const {
  platform::P256PublicKey out{};
  unsigned char* der = nullptr;
  int size = i2d_PUBKEY(state_->key.get(), &der);
  // The SubjectPublicKeyInfo of a P-256 key ends with the 65-byte uncompressed point.
  if (size >= static_cast<int>(out.size())) std::memcpy(out.data(), der + size - out.size(), out.size());
  OPENSSL_free(der);
  return out;
}

bool SigningKey::sign(std::string_view message, platform::P256Signature& signature) const {
  std::unique_ptr<EVP_MD_CTX, ContextFree> context(EVP_MD_CTX_new());
  size_t size = 0;
  if (!context || EVP_DigestSignInit(context.get(), nullptr, EVP_sha256(), nullptr, state_->key.get()) != 1 ||
      EVP_DigestSign(context.get(), nullptr, &size, reinterpret_cast<const unsigned char*>(message.data()),
                     message.size()) != 1)
    return false;
  std::vector<unsigned char> der(size);
  if (EVP_DigestSign(context.get(), der.data(), &size, reinterpret_cast<const unsigned char*>(message.data()),
                     message.size()) != 1)
    return false;
  const unsigned char* p = der.data();
  std::unique_ptr<ECDSA_SIG, SignatureFree> sig(d2i_ECDSA_SIG(nullptr, &p, static_cast<long>(size)));
  if (!sig) return false;
  const BIGNUM* r = nullptr;
  const BIGNUM* s = nullptr;
  ECDSA_SIG_get0(sig.get(), &r, &s);
  return BN_bn2binpad(r, signature.data(), 32) == 32 && BN_bn2binpad(s, signature.data() + 32, 32) == 32;
}

std::string publicKeyText(const platform::P256PublicKey& key) {
  return text::toBase64({reinterpret_cast<const char*>(key.data()), key.size()});
}

bool appendSignature(std::string& manifest, const SigningKey& key, std::string& error) {
  platform::P256Signature signature{};
  if (!key.sign(manifest, signature)) {
    error = "signing failed";
    return false;
  }
  manifest += startup::signatureComment(startup::keyIdOf(key.publicKey()), signature) + "\r\n";
  return true;
}

}  // namespace maker
