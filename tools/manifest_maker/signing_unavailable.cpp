// The Windows build of the maker does not sign: keys are made and releases signed with the
// Linux build, where the release is prepared.
#include "signing.h"

#include "text/byte_encodings.h"

namespace maker {

struct SigningKey::State {};

SigningKey::SigningKey() : state_(std::make_unique<State>()) {}
SigningKey::~SigningKey() = default;
SigningKey::SigningKey(SigningKey&&) noexcept = default;
SigningKey& SigningKey::operator=(SigningKey&&) noexcept = default;

namespace {
constexpr const char* kUnavailable = "signing needs the Linux build of manifest-maker";
}

bool SigningKey::generate(SigningKey&, std::string& error) { return error = kUnavailable, false; }
bool SigningKey::fromPem(const std::string&, SigningKey&, std::string& error) { return error = kUnavailable, false; }
std::string SigningKey::privatePem() const { return {}; }
platform::P256PublicKey SigningKey::publicKey() const { return {}; }
bool SigningKey::sign(std::string_view, platform::P256Signature&) const { return false; }

std::string publicKeyText(const platform::P256PublicKey& key) {
  return text::toBase64({reinterpret_cast<const char*>(key.data()), key.size()});
}

bool appendSignature(std::string&, const SigningKey&, std::string& error) { return error = kUnavailable, false; }

}  // namespace maker
