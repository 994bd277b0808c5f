#include "startup/manifest_signature.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "text/byte_encodings.h"

namespace startup {

namespace {

constexpr size_t kKeyIdDigits = 16;
constexpr size_t kSignatureBase64 = 88;  // 64 bytes

bool isWhite(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool isLowerHex(std::string_view s) {
  return std::all_of(s.begin(), s.end(), [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

}  // namespace

std::string signatureComment(const std::string& keyId, const platform::P256Signature& signature) {
  std::string raw(reinterpret_cast<const char*>(signature.data()), signature.size());
  return std::string(kSignaturePrefix) + keyId + std::string(kSignatureValue) + text::toBase64(raw) +
         std::string(kSignatureSuffix);
}

std::string keyIdOf(const platform::P256PublicKey& key) {
  auto digest = platform::sha256Of({reinterpret_cast<const char*>(key.data()), key.size()});
  if (!digest) return {};
  return text::lowerHex({reinterpret_cast<const char*>(digest->data()), kKeyIdDigits / 2});
}

size_t signatureCommentStart(std::string_view body) {
  size_t end = body.size();
  while (end > 0 && isWhite(body[end - 1])) --end;
  std::string_view trimmed = body.substr(0, end);
  if (!trimmed.ends_with("-->")) return std::string::npos;
  // '<' and '-' never occur as the second byte of a GBK character, so this finds real markup.
  size_t start = trimmed.rfind("<!--");
  if (start == std::string_view::npos || !trimmed.substr(start).starts_with(kSignaturePrefix))
    return std::string::npos;
  return start;
}

namespace {

// The parts of a well-formed trailing signature comment.
struct SignatureParts {
  size_t start = std::string::npos;  // where the comment begins
  std::string_view keyId;
  std::string raw;  // the 64 signature bytes
};

SignatureCheck readComment(std::string_view body, SignatureParts& parts) {
  size_t start = signatureCommentStart(body);
  if (start == std::string::npos) return SignatureCheck::kMissing;
  std::string_view comment = body.substr(start);
  while (!comment.empty() && isWhite(comment.back())) comment.remove_suffix(1);
  // Exactly: prefix, key id, " value=", 88 base64 characters, " -->".
  size_t expected = kSignaturePrefix.size() + kKeyIdDigits + kSignatureValue.size() + kSignatureBase64 +
                    kSignatureSuffix.size();
  if (comment.size() != expected || !comment.ends_with(kSignatureSuffix)) return SignatureCheck::kMalformed;
  std::string_view keyId = comment.substr(kSignaturePrefix.size(), kKeyIdDigits);
  std::string_view rest = comment.substr(kSignaturePrefix.size() + kKeyIdDigits);
  if (!isLowerHex(keyId) || !rest.starts_with(kSignatureValue)) return SignatureCheck::kMalformed;
  auto raw = text::fromBase64(rest.substr(kSignatureValue.size(), kSignatureBase64));
  if (!raw || raw->size() != 64) return SignatureCheck::kMalformed;
  parts = {start, keyId, std::move(*raw)};
  return SignatureCheck::kValid;
}

}  // namespace

std::string signatureKeyId(std::string_view body) {
  SignatureParts parts;
  return readComment(body, parts) == SignatureCheck::kValid ? std::string(parts.keyId) : std::string();
}

SignatureCheck checkSignature(std::string_view body, const std::vector<platform::P256PublicKey>& keys,
                              std::string_view& signedPart) {
  SignatureParts parts;
  if (SignatureCheck read = readComment(body, parts); read != SignatureCheck::kValid) return read;
  auto key = std::find_if(keys.begin(), keys.end(), [&](const auto& k) { return keyIdOf(k) == parts.keyId; });
  if (key == keys.end()) return SignatureCheck::kUnknownKey;
  platform::P256Signature signature{};
  std::memcpy(signature.data(), parts.raw.data(), signature.size());
  std::string_view covered = body.substr(0, parts.start);
  if (!platform::verifyP256(*key, covered, signature)) return SignatureCheck::kWrong;
  signedPart = covered;
  return SignatureCheck::kValid;
}

}  // namespace startup
