#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "platform/crypto.h"

namespace startup {

// A signed manifest ends with one comment after its root element:
//   <!-- signature key=KEYID value=BASE64 -->
// KEYID: the first 8 bytes of SHA-256 of the 65-byte public key, in lower-case hex; BASE64: the
// ECDSA P-256 signature r||s over SHA-256 of every byte before the comment's "<!--". Only
// white space may follow the comment. Readers that know nothing of signatures skip it.
inline constexpr std::string_view kSignaturePrefix = "<!-- signature key=";
inline constexpr std::string_view kSignatureValue = " value=";
inline constexpr std::string_view kSignatureSuffix = " -->";

enum class SignatureCheck { kValid, kMissing, kMalformed, kUnknownKey, kWrong };

// The comment text for a signature by the key with id `keyId`.
std::string signatureComment(const std::string& keyId, const platform::P256Signature& signature);

// The key id: the first 8 bytes of the key's SHA-256, in lower-case hex.
std::string keyIdOf(const platform::P256PublicKey& key);

// Where the signed part of `body` ends: the offset of the trailing signature comment, or
// std::string::npos when the body does not end with one (white space aside).
size_t signatureCommentStart(std::string_view body);

// The key id a well-formed trailing signature comment names; empty without one.
std::string signatureKeyId(std::string_view body);

// Checks the trailing signature of `body` against `keys`; on kValid `signedPart` is the part
// it covers (the manifest without its signature).
SignatureCheck checkSignature(std::string_view body, const std::vector<platform::P256PublicKey>& keys,
                              std::string_view& signedPart);

}  // namespace startup
