#pragma once
#include <memory>
#include <string>
#include <string_view>

#include "platform/crypto.h"

namespace maker {

// A private P-256 key for signing manifests, kept where the release is prepared.
class SigningKey {
 public:
  SigningKey();
  ~SigningKey();
  SigningKey(SigningKey&&) noexcept;
  SigningKey& operator=(SigningKey&&) noexcept;

  // A new random key.
  static bool generate(SigningKey& key, std::string& error);
  // From a PEM file's text (PKCS#8 or SEC1 "EC PRIVATE KEY"); only P-256 keys are taken.
  static bool fromPem(const std::string& pem, SigningKey& key, std::string& error);

  std::string privatePem() const;                 // PKCS#8
  platform::P256PublicKey publicKey() const;      // the uncompressed point
  bool sign(std::string_view message, platform::P256Signature& signature) const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// The [trust] line an operator puts into config/operator.ini for this key (base64).
std::string publicKeyText(const platform::P256PublicKey& key);

// `manifest` with its trailing signature comment (and a line break) appended; the signature
// covers every byte of `manifest`.
bool appendSignature(std::string& manifest, const SigningKey& key, std::string& error);

}  // namespace maker
